// javax.microedition.io.HttpsConnection: an HTTP connection over a secure
// channel.
#pragma once

#include "javax_microedition_io_HttpConnection.h"
#include "javax_microedition_io_SecurityInfo.h"

namespace javax::microedition::io {

class HttpsConnection : public virtual HttpConnection {
    WREN_INTERFACE(HttpsConnection)
public:
    virtual VMPtr<SecurityInfo> getSecurityInfo() = 0;
};

}  // namespace javax::microedition::io
