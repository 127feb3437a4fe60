// The socket connection: MIDP's SocketConnection over one native socket of
// the bridge, opened and connected by openPrim. Closing the connection
// closes the socket at once, so that a read blocked in another thread ends
// with an IOException; the streams handed out then fail their next call.
#pragma once

#include "com_nimbault_marl_cldc_io_ConnectionBaseInterface.h"
#include "com_nimbault_marl_midp_io_SocketInputStream.h"
#include "com_nimbault_marl_midp_io_SocketOutputStream.h"
#include "javax_microedition_io_SocketConnection.h"

struct NativeSocketConnection;  // the bridge's native record

namespace com::nimbault::marl::midp::io::protocol::socket {

class Protocol : public virtual java::lang::Object,
                 public virtual com::nimbault::marl::cldc::io::ConnectionBaseInterface,
                 public virtual javax::microedition::io::SocketConnection {
    WREN_CLASS(Protocol, java::lang::Object)
public:
    // The connection's hold on its native record; null before openPrim and
    // after close.
    NativeSocketConnection* nativeConnection = nullptr;
    jint mode = 0;

    void ctor();
    // A connection dropped without close() closes its socket.
    ~Protocol() override;

    // Connects to the URL's host and port ("socket://host:port"; the port is
    // required). IllegalArgumentException for a URL of another form,
    // ConnectionNotFoundException when the host is unknown, refuses or does
    // not answer in time.
    VMPtr<javax::microedition::io::Connection> openPrim(const VMPtr<java::lang::String>& url,
                                                        jint mode) override;
    // Closing twice does nothing more.
    void close() override;

    // Each throws IOException "SocketConnection error: the connection is
    // closed" once closed; the output ones also in READ mode, the input ones
    // in WRITE mode.
    jint getPort() override;
    VMPtr<java::io::InputStream> openInputStream() override;
    VMPtr<java::io::DataInputStream> openDataInputStream() override;
    VMPtr<java::io::OutputStream> openOutputStream() override;
    VMPtr<java::io::DataOutputStream> openDataOutputStream() override;

    // How the connection and its streams report a failed native call:
    // IOException "SocketConnection error: " and the bridge status.
    [[noreturn]] static void throwSocketError(int32_t status);

private:
    void ensureOpen();
};

}  // namespace com::nimbault::marl::midp::io::protocol::socket
