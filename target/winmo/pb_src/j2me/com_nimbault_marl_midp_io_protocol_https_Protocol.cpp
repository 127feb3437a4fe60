#include "com_nimbault_marl_midp_io_protocol_https_Protocol.h"

#include "HAL_http.h"
#include "HAL_status.h"

WREN_DEFINE_CLASS(com::nimbault::marl::midp::io::protocol::https::Protocol,
                  "com.nimbault.marl.midp.io.protocol.https.Protocol",
                  javax::microedition::io::HttpsConnection)

namespace com::nimbault::marl::midp::io::protocol::https {

void Protocol::staticInit() { wrenStatics_().PROTOCOL = WREN_LIT("https"); }

VMPtr<java::lang::String> Protocol::getProtocol() {
    ensureOpen();
    return S().PROTOCOL;
}

jint Protocol::getPort() {
    ensureOpen();
    // The bridge answers the port the connection really uses: the URL's own,
    // or the scheme's default.
    jint port = 443;
    if (HAL_getHTTPPort(nativeConnection, &port) != HAL_OK) return 443;
    return port;
}

VMPtr<javax::microedition::io::SecurityInfo> Protocol::getSecurityInfo() { return nullptr; }

}  // namespace com::nimbault::marl::midp::io::protocol::https
