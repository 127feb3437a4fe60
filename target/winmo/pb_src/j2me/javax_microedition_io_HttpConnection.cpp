#include "javax_microedition_io_HttpConnection.h"

WREN_DEFINE_INTERFACE(javax::microedition::io::HttpConnection,
                      "javax.microedition.io.HttpConnection",
                      javax::microedition::io::ContentConnection)

namespace javax::microedition::io {

void HttpConnection::staticInit() {
    Statics& s = wrenStatics_();
    s.HEAD = WREN_LIT("HEAD");
    s.GET = WREN_LIT("GET");
    s.POST = WREN_LIT("POST");
}

}  // namespace javax::microedition::io
