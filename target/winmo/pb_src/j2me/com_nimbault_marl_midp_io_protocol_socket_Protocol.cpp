#include "com_nimbault_marl_midp_io_protocol_socket_Protocol.h"

#include "HAL_socket.h"
#include "HAL_status.h"
#include "java_io_IOException.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_StringBuffer.h"
#include "javax_microedition_io_ConnectionNotFoundException.h"
#include "javax_microedition_io_Connector.h"

WREN_DEFINE_CLASS(com::nimbault::marl::midp::io::protocol::socket::Protocol,
                  "com.nimbault.marl.midp.io.protocol.socket.Protocol",
                  com::nimbault::marl::cldc::io::ConnectionBaseInterface,
                  javax::microedition::io::SocketConnection)

namespace com::nimbault::marl::midp::io::protocol::socket {

using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::io::Connector;

void Protocol::throwSocketError(int32_t status) {
    VMPtr<StringBuffer> message = StringBuffer::make("SocketConnection error: ");
    message->append(jint(status));
    java::io::IOException::throwNew(message->toString());
}

void Protocol::ctor() {
    java::lang::Object::ctor();
    nativeConnection = nullptr;
}

Protocol::~Protocol() {
    if (nativeConnection) HAL_deleteSocketConnection(nativeConnection);
}

VMPtr<javax::microedition::io::Connection> Protocol::openPrim(const VMPtr<String>& url,
                                                              jint openMode) {
    NativeSocketConnection* made = nullptr;
    int32_t status =
        HAL_createSocketConnection(&made, url->value->elements() + url->offset, url->length());
    if (status == HAL_BAD_ARGUMENT) {
        VMPtr<StringBuffer> message = StringBuffer::make("Not a socket address: ");
        message->append(url);
        java::lang::IllegalArgumentException::throwNew(message->toString());
    }
    if (status != HAL_OK) {
        VMPtr<StringBuffer> message = StringBuffer::make("Cannot connect to ");
        message->append(url);
        javax::microedition::io::ConnectionNotFoundException::throwNew(message->toString());
    }
    // A second open of the same object would otherwise lose the first socket.
    if (nativeConnection) HAL_deleteSocketConnection(nativeConnection);
    nativeConnection = made;
    mode = openMode;
    return VMPtr<javax::microedition::io::Connection>(this);
}

void Protocol::ensureOpen() {
    if (!nativeConnection)
        java::io::IOException::throwNew(
            WREN_LIT("SocketConnection error: the connection is closed"));
}

void Protocol::close() {
    NativeSocketConnection* handle = nativeConnection;
    nativeConnection = nullptr;
    if (handle) HAL_deleteSocketConnection(handle);
}

jint Protocol::getPort() {
    ensureOpen();
    jint port = 0;
    HAL_getSocketPort(nativeConnection, &port);
    return port;
}

VMPtr<java::io::InputStream> Protocol::openInputStream() {
    ensureOpen();
    if (mode == Connector::WRITE)
        java::io::IOException::throwNew(
            WREN_LIT("SocketConnection error: opened for writing only"));
    return SocketInputStream::make(nativeConnection);
}

VMPtr<java::io::DataInputStream> Protocol::openDataInputStream() {
    return java::io::DataInputStream::make(openInputStream());
}

VMPtr<java::io::OutputStream> Protocol::openOutputStream() {
    ensureOpen();
    if (mode == Connector::READ)
        java::io::IOException::throwNew(
            WREN_LIT("SocketConnection error: opened for reading only"));
    return SocketOutputStream::make(nativeConnection);
}

VMPtr<java::io::DataOutputStream> Protocol::openDataOutputStream() {
    return java::io::DataOutputStream::make(openOutputStream());
}

}  // namespace com::nimbault::marl::midp::io::protocol::socket
