// com.nimbault.marl.cldc.io.ConnectionBaseInterface: what Connector asks of a
// protocol class it made by name: open the connection for a URL.
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"

namespace javax::microedition::io {
class Connection;
}

namespace com::nimbault::marl::cldc::io {

class ConnectionBaseInterface : public virtual java::lang::Object {
    WREN_INTERFACE(ConnectionBaseInterface)
public:
    // Opens the connection for the whole URL and returns it; the mode is
    // Connector's READ, WRITE or READ_WRITE.
    virtual VMPtr<javax::microedition::io::Connection> openPrim(
        const VMPtr<java::lang::String>& url, jint mode) = 0;
};

}  // namespace com::nimbault::marl::cldc::io
