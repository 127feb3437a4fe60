// Helpers shared by the connection suites: the local server's ports, opening
// an http connection through Connector, and reading a whole body.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "VMClass.h"
#include "java_io_InputStream.h"
#include "java_lang_String.h"
#include "javax_microedition_io_Connector.h"
#include "javax_microedition_io_HttpConnection.h"

namespace httptest {

// The port the local server wrote into its folder ("port" or "tls_port"),
// or 0 when it is not running.
inline int serverPort(const char* file = "port") {
    std::ifstream in(std::string(WREN_HTTP_SERVER_DIR) + "/" + file);
    int port = 0;
    in >> port;
    return in ? port : 0;
}

inline std::string localUrl(const std::string& path, const char* scheme = "http") {
    int port = serverPort(std::string(scheme) == "https" ? "tls_port" : "port");
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + path;
}

inline VMPtr<javax::microedition::io::HttpConnection> openHttp(const std::string& url) {
    VMPtr<javax::microedition::io::Connection> c =
        javax::microedition::io::Connector::open(java::lang::String::make(url.c_str()));
    return vmCast<javax::microedition::io::HttpConnection>(c);
}

// Reads to the end with read(b, off, len), recording how many bytes each
// call returned.
inline std::vector<uint8_t> readAll(const VMPtr<java::io::InputStream>& in,
                                    std::vector<jint>* pieces = nullptr, jint size = 8192) {
    std::vector<uint8_t> all;
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(size);
    for (;;) {
        jint n = in->read(b, 0, size);
        if (pieces) pieces->push_back(n);
        if (n < 0) break;
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(b->elements());
        all.insert(all.end(), bytes, bytes + n);
    }
    return all;
}

inline std::string textOf(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The server's request log: every request line and header line received.
inline std::string requestLog() {
    std::ifstream in(std::string(WREN_HTTP_SERVER_DIR) + "/requests.log");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace httptest
