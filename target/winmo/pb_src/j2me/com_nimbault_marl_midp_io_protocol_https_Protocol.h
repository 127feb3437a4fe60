// The https connection: the http connection over TLS. It answers its own
// protocol name and default port, and no security information.
#pragma once

#include "com_nimbault_marl_midp_io_protocol_http_Protocol.h"
#include "javax_microedition_io_HttpsConnection.h"

namespace com::nimbault::marl::midp::io::protocol::https {

class Protocol : public com::nimbault::marl::midp::io::protocol::http::Protocol,
                 public virtual javax::microedition::io::HttpsConnection {
    WREN_CLASS(Protocol, com::nimbault::marl::midp::io::protocol::http::Protocol)
public:
    struct Statics {
        VMStaticPtr<java::lang::String> PROTOCOL;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    void ctor() { http::Protocol::ctor(); }

    VMPtr<java::lang::String> getProtocol() override;
    // The URL's port; 443 when it names none.
    jint getPort() override;
    // Null in every state: no certificate details are offered.
    VMPtr<javax::microedition::io::SecurityInfo> getSecurityInfo() override;
};

}  // namespace com::nimbault::marl::midp::io::protocol::https
