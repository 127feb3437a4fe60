#include "javax_microedition_io_HttpConnection.h"

// Written out rather than through WREN_DEFINE_INTERFACE: this interface has
// constants, so its record names a static initialiser of its own.

namespace javax::microedition::io {

java::lang::Class* HttpConnection::wrenClass_ = nullptr;

java::lang::Class* HttpConnection::wrenRegister_() {
    return wrenClass_ = vmRegisterClassRecord(
               "javax.microedition.io.HttpConnection", "javax.microedition.io.ContentConnection",
               __FILE__, &HttpConnection::staticInit, nullptr, VMClassKind::Interface);
}

void HttpConnection::staticInit() {
    Statics& s = wrenStatics_();
    s.HEAD = WREN_LIT("HEAD");
    s.GET = WREN_LIT("GET");
    s.POST = WREN_LIT("POST");
}

namespace {
VMPendingClass httpConnectionPending(&HttpConnection::wrenRegister_);
}

}  // namespace javax::microedition::io
