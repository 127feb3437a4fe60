#include "HAL_socket.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "HAL_status.h"
#include "HAL_threads.h"
#include "ce_winsock.h"

struct NativeSocketConnection {
    ce::SOCKET socket = ce::INVALID_SOCKET;
    jint port = 0;
    // Holders: the connection object, its streams and every blocking call in
    // progress; changed under the VM lock. The last release frees the record.
    jint refCount = 1;
    // Read by calls that have given the VM lock up.
    std::atomic<bool> closed{false};
};

namespace {

std::atomic<jint> connectTimeoutForTests{0};
std::atomic<jint> ioTimeoutForTests{0};

jint connectTimeout() {
    jint t = connectTimeoutForTests;
    return t > 0 ? t : HAL_SOCKET_CONNECT_TIMEOUT_MS;
}

jint ioTimeout() {
    jint t = ioTimeoutForTests;
    return t > 0 ? t : HAL_SOCKET_IO_TIMEOUT_MS;
}

// Runs `call` with the VM lock given up, then takes the lock back and runs
// the enter-VM hook, as every blocking bridge call does.
template <class F>
auto outsideVMLock(F&& call) {
    int depth = HAL_releaseVMLockFully();
    auto result = call();
    if (depth > 0) {
        HAL_reacquireVMLock(depth);
        HAL_runEnterVMHook();
    }
    return result;
}

void closeSocket(NativeSocketConnection* conn) {
    if (conn->closed.exchange(true)) return;
    ce::closesocket(conn->socket);
}

void retain(NativeSocketConnection* conn) {
    ++conn->refCount;
}

void release(NativeSocketConnection* conn) {
    if (--conn->refCount > 0) return;
    closeSocket(conn);
    delete conn;
}

// A blocking call's own hold, so that a close and release from another
// thread while the VM lock is given up cannot free the record under it.
struct Hold {
    NativeSocketConnection* conn;
    explicit Hold(NativeSocketConnection* c) : conn(c) { retain(conn); }
    ~Hold() { release(conn); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
};

bool startsWithIgnoringCase(const jchar* s, jint n, const char* prefix) {
    jint i = 0;
    for (; prefix[i]; ++i) {
        if (i >= n) return false;
        jchar c = s[i];
        if (c >= u'A' && c <= u'Z') c = jchar(c + 32);
        if (c != jchar(prefix[i])) return false;
    }
    return true;
}

// "socket://host:port": the host (brackets of an IPv6 literal taken off)
// and the port, or false.
bool parseAddress(const jchar* s, jint n, std::u16string& host, jint& port) {
    static const char prefix[] = "socket://";
    const jint start = jint(sizeof prefix - 1);
    if (!startsWithIgnoringCase(s, n, prefix)) return false;
    jint end = n;
    jint colon = -1;
    if (start < n && s[start] == u'[') {
        jint close = -1;
        for (jint i = start; i < end; ++i)
            if (s[i] == u']') {
                close = i;
                break;
            }
        if (close < 0 || close + 1 >= end || s[close + 1] != u':') return false;
        host.assign(s + start + 1, size_t(close - start - 1));
        colon = close + 1;
    } else {
        for (jint i = end - 1; i >= start; --i)
            if (s[i] == u':') {
                colon = i;
                break;
            }
        if (colon < 0) return false;
        host.assign(s + start, size_t(colon - start));
    }
    if (host.empty() || colon + 1 >= end) return false;
    jint value = 0;
    for (jint i = colon + 1; i < end; ++i) {
        if (s[i] < u'0' || s[i] > u'9') return false;
        value = value * 10 + (s[i] - u'0');
        if (value > 65535) return false;
    }
    if (value < 1) return false;
    port = value;
    return true;
}

}  // namespace

int32_t HAL_createSocketConnection(NativeSocketConnection** out, const jchar* chars, jint count) {
    if (!out || !chars || count < 0) return HAL_BAD_ARGUMENT;
    *out = nullptr;
    std::u16string host;
    jint port = 0;
    if (!parseAddress(chars, count, host, port)) return HAL_BAD_ARGUMENT;
    auto* conn = new (std::nothrow) NativeSocketConnection;
    if (!conn) return HAL_OUT_OF_MEMORY;
    conn->port = port;
    conn->socket = ce::socket(ce::AF_UNSPEC_, ce::SOCK_STREAM_, ce::IPPROTO_TCP_);
    if (conn->socket == ce::INVALID_SOCKET) {
        conn->closed = true;
        delete conn;
        return HAL_OUT_OF_MEMORY;
    }
    ce::DWORD io = ce::DWORD(ioTimeout());
    ce::setsockopt(conn->socket, ce::SOL_SOCKET_, ce::SO_RCVTIMEO_,
                   reinterpret_cast<const char*>(&io), sizeof io);
    ce::setsockopt(conn->socket, ce::SOL_SOCKET_, ce::SO_SNDTIMEO_,
                   reinterpret_cast<const char*>(&io), sizeof io);
    std::u16string service;
    for (char c : std::to_string(port)) service += char16_t(c);
    jint limit = connectTimeout();
    ce::TIMEVAL timeout{long(limit / 1000), long(limit % 1000) * 1000};
    ce::SOCKET s = conn->socket;
    ce::BOOL ok = outsideVMLock([&] {
        return ce::WSAConnectByNameW(s, host.c_str(), service.c_str(), nullptr, nullptr, nullptr,
                                     nullptr, &timeout, nullptr);
    });
    if (!ok) {
        release(conn);
        return HAL_NOT_FOUND;
    }
    *out = conn;
    return HAL_OK;
}

int32_t HAL_deleteSocketConnection(NativeSocketConnection* conn) {
    if (!conn) return HAL_BAD_ARGUMENT;
    closeSocket(conn);
    release(conn);
    return HAL_OK;
}

int32_t HAL_retainSocketConnection(NativeSocketConnection* conn) {
    if (!conn) return HAL_BAD_ARGUMENT;
    retain(conn);
    return HAL_OK;
}

int32_t HAL_releaseSocketConnection(NativeSocketConnection* conn) {
    if (!conn) return HAL_BAD_ARGUMENT;
    release(conn);
    return HAL_OK;
}

int32_t HAL_closeSocketConnection(NativeSocketConnection* conn) {
    if (!conn) return HAL_BAD_ARGUMENT;
    closeSocket(conn);
    return HAL_OK;
}

int32_t HAL_getSocketPort(NativeSocketConnection* conn, jint* out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    *out = conn->port;
    return HAL_OK;
}

int32_t HAL_readSocketConnection(NativeSocketConnection* conn, uint8_t* buffer, jint count,
                                 jint* got) {
    if (!conn || !got || count < 0 || (!buffer && count > 0)) return HAL_BAD_ARGUMENT;
    *got = -1;
    if (conn->closed) return HAL_IO_ERROR;
    if (count == 0) {
        *got = 0;
        return HAL_OK;
    }
    Hold hold(conn);
    // The network writes into memory of this thread's own; the caller's
    // buffer is filled once the VM lock is back.
    thread_local std::vector<char> incoming;
    if (incoming.size() < size_t(count)) incoming.resize(size_t(count));
    char* into = incoming.data();
    ce::SOCKET s = conn->socket;
    int n = outsideVMLock([&] { return ce::recv(s, into, count, 0); });
    if (n < 0 || conn->closed) return HAL_IO_ERROR;
    if (n == 0) {
        *got = 0;
        return HAL_END_OF_DATA;
    }
    std::memcpy(buffer, into, size_t(n));
    *got = n;
    return HAL_OK;
}

int32_t HAL_availableSocketConnection(NativeSocketConnection* conn, jint* out) {
    if (!conn || !out) return HAL_BAD_ARGUMENT;
    *out = 0;
    if (conn->closed) return HAL_OK;
    unsigned long n = 0;
    if (ce::ioctlsocket(conn->socket, ce::FIONREAD_, &n) != 0) return HAL_IO_ERROR;
    *out = jint(std::min<unsigned long>(n, 0x7FFFFFFF));
    return HAL_OK;
}

int32_t HAL_writeSocketConnection(NativeSocketConnection* conn, const uint8_t* bytes, jint count) {
    if (!conn || count < 0 || (!bytes && count > 0)) return HAL_BAD_ARGUMENT;
    if (conn->closed) return HAL_IO_ERROR;
    if (count == 0) return HAL_OK;
    Hold hold(conn);
    // The caller's bytes may be moved or freed while the VM lock is given
    // up: the send works on a copy.
    std::vector<char> copy(bytes, bytes + count);
    ce::SOCKET s = conn->socket;
    int n = outsideVMLock([&] { return ce::send(s, copy.data(), count, 0); });
    return n == count && !conn->closed ? HAL_OK : HAL_IO_ERROR;
}

void HAL_setSocketTimeoutsForTests(jint connectMs, jint ioMs) {
    connectTimeoutForTests = connectMs;
    ioTimeoutForTests = ioMs;
}
