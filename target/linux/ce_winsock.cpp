#include "ce_winsock.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace ce {

namespace {

thread_local int lastError = 0;

int fail(int error) {
    lastError = error;
    return SOCKET_ERROR;
}

// One socket. Every blocking wait also watches `wake`, which closesocket and
// shutdown write to, so that a call blocked on the socket in another thread
// returns at once. The descriptor goes with the last holder.
struct Socket {
    int fd = -1;
    int wake[2] = {-1, -1};
    std::atomic<bool> cancelled{false};
    std::atomic<DWORD> receiveTimeout{0};
    std::atomic<DWORD> sendTimeout{0};
    std::mutex fdMutex;  // guards fd while the connect sets it

    ~Socket() {
        if (fd >= 0) ::close(fd);
        if (wake[0] >= 0) ::close(wake[0]);
        if (wake[1] >= 0) ::close(wake[1]);
    }
    void cancel() {
        cancelled = true;
        char b = 1;
        [[maybe_unused]] ssize_t n = ::write(wake[1], &b, 1);
    }
};

std::mutex registryMutex;
uintptr_t nextHandle = 0x5000;

std::unordered_map<uintptr_t, std::shared_ptr<Socket>>& registry() {
    static auto* map = new std::unordered_map<uintptr_t, std::shared_ptr<Socket>>;
    return *map;
}

std::shared_ptr<Socket> lookUp(SOCKET s) {
    std::lock_guard<std::mutex> g(registryMutex);
    auto it = registry().find(s);
    if (it == registry().end()) return nullptr;
    return it->second;
}

using Clock = std::chrono::steady_clock;

// Waits until the socket is ready for `events`, the socket is cancelled or
// the deadline passes: 0 ready, else the error to report.
int waitFor(Socket& sock, short events, bool limited, Clock::time_point deadline) {
    for (;;) {
        if (sock.cancelled) return WSAEINTR;
        int timeout = -1;
        if (limited) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return WSAETIMEDOUT;
            timeout = int(std::min<long long>(left.count(), 1 << 30));
        }
        pollfd fds[2] = {{sock.fd, events, 0}, {sock.wake[0], POLLIN, 0}};
        int n = ::poll(fds, 2, timeout);
        if (n < 0) {
            if (errno == EINTR) continue;
            return WSAEINVAL;
        }
        if (sock.cancelled || fds[1].revents) return WSAEINTR;
        if (n == 0) continue;  // the deadline is checked above
        return 0;
    }
}

int errorFor(int error) {
    switch (error) {
        case ECONNREFUSED:
            return WSAECONNREFUSED;
        case ETIMEDOUT:
            return WSAETIMEDOUT;
        case ECONNRESET:
        case EPIPE:
            return WSAECONNRESET;
        case ECONNABORTED:
            return WSAECONNABORTED;
        case ENOTCONN:
            return WSAENOTCONN;
        default:
            return WSAECONNABORTED;
    }
}

std::string narrow(LPCWSTR text) {
    std::string out;
    for (; text && *text; ++text) {
        char16_t c = *text;
        out += c < 0x80 ? char(c) : '?';
    }
    return out;
}

// Connects a fresh descriptor to one address within the deadline: 0 or the
// error.
int connectOne(Socket& sock, const addrinfo* a, bool limited, Clock::time_point deadline) {
    int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) return WSAEAFNOSUPPORT;
    {
        std::lock_guard<std::mutex> g(sock.fdMutex);
        sock.fd = fd;
    }
    int error = 0;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            error = errorFor(errno);
        } else {
            error = waitFor(sock, POLLOUT, limited, deadline);
            if (error == 0) {
                int soError = 0;
                socklen_t len = sizeof soError;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
                if (soError != 0) error = errorFor(soError);
            }
        }
    }
    if (error != 0) {
        std::lock_guard<std::mutex> g(sock.fdMutex);
        ::close(fd);
        sock.fd = -1;
        return error;
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return 0;
}

}  // namespace

int WSAGetLastError() {
    return lastError;
}

SOCKET socket(int af, int type, int protocol) {
    if ((af != AF_INET_ && af != AF_UNSPEC_) || type != SOCK_STREAM_ ||
        (protocol != 0 && protocol != IPPROTO_TCP_)) {
        lastError = WSAEAFNOSUPPORT;
        return INVALID_SOCKET;
    }
    auto sock = std::make_shared<Socket>();
    if (::pipe2(sock->wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        lastError = WSAEINVAL;
        return INVALID_SOCKET;
    }
    std::lock_guard<std::mutex> g(registryMutex);
    SOCKET handle = nextHandle++;
    registry()[handle] = sock;
    return handle;
}

BOOL WSAConnectByNameW(SOCKET s, LPCWSTR nodeName, LPCWSTR serviceName, DWORD* localAddressLength,
                       void* localAddress, DWORD* remoteAddressLength, void* remoteAddress,
                       const TIMEVAL* timeout, void* reserved) {
    std::shared_ptr<Socket> sock = lookUp(s);
    if (!sock) return fail(WSAENOTSOCK), FALSE;
    if (!nodeName || !serviceName || localAddressLength || localAddress || remoteAddressLength ||
        remoteAddress || reserved || (timeout && (timeout->tv_sec < 0 || timeout->tv_usec < 0)))
        return fail(WSAEINVAL), FALSE;
    if (sock->fd >= 0) return fail(WSAEISCONN), FALSE;
    bool limited = timeout != nullptr;
    Clock::time_point deadline = Clock::now();
    if (limited)
        deadline +=
            std::chrono::seconds(timeout->tv_sec) + std::chrono::microseconds(timeout->tv_usec);

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::string host = narrow(nodeName), port = narrow(serviceName);
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || !found)
        return fail(WSAHOST_NOT_FOUND), FALSE;
    int error = WSAHOST_NOT_FOUND;
    for (addrinfo* a = found; a; a = a->ai_next) {
        error = connectOne(*sock, a, limited, deadline);
        if (error == 0 || error == WSAEINTR || error == WSAETIMEDOUT) break;
    }
    ::freeaddrinfo(found);
    if (error != 0) return fail(error), FALSE;
    return TRUE;
}

int setsockopt(SOCKET s, int level, int name, const char* value, int length) {
    std::shared_ptr<Socket> sock = lookUp(s);
    if (!sock) return fail(WSAENOTSOCK);
    if (level != SOL_SOCKET_ || (name != SO_RCVTIMEO_ && name != SO_SNDTIMEO_) || !value ||
        length < int(sizeof(DWORD)))
        return fail(WSAEINVAL);
    DWORD ms = *reinterpret_cast<const DWORD*>(value);
    (name == SO_RCVTIMEO_ ? sock->receiveTimeout : sock->sendTimeout) = ms;
    return 0;
}

int recv(SOCKET s, char* buffer, int length, int flags) {
    std::shared_ptr<Socket> sock = lookUp(s);
    if (!sock) return fail(WSAENOTSOCK);
    if (flags != 0 || length < 0 || (!buffer && length > 0)) return fail(WSAEINVAL);
    if (sock->fd < 0) return fail(WSAENOTCONN);
    if (length == 0) return 0;
    DWORD limit = sock->receiveTimeout;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limit);
    for (;;) {
        int error = waitFor(*sock, POLLIN, limit != 0, deadline);
        if (error != 0) return fail(error);
        ssize_t n = ::recv(sock->fd, buffer, size_t(length), MSG_DONTWAIT);
        if (n >= 0) return int(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
        return fail(errorFor(errno));
    }
}

int send(SOCKET s, const char* buffer, int length, int flags) {
    std::shared_ptr<Socket> sock = lookUp(s);
    if (!sock) return fail(WSAENOTSOCK);
    if (flags != 0 || length < 0 || (!buffer && length > 0)) return fail(WSAEINVAL);
    if (sock->fd < 0) return fail(WSAENOTCONN);
    DWORD limit = sock->sendTimeout;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limit);
    int sent = 0;
    while (sent < length) {
        int error = waitFor(*sock, POLLOUT, limit != 0, deadline);
        if (error != 0) return fail(error);
        ssize_t n =
            ::send(sock->fd, buffer + sent, size_t(length - sent), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0) {
            sent += int(n);
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
        return fail(errorFor(errno));
    }
    return sent;
}

int ioctlsocket(SOCKET s, long command, unsigned long* argument) {
    std::shared_ptr<Socket> sock = lookUp(s);
    if (!sock) return fail(WSAENOTSOCK);
    if (command != FIONREAD_ || !argument) return fail(WSAEINVAL);
    if (sock->fd < 0) return fail(WSAENOTCONN);
    int n = 0;
    if (::ioctl(sock->fd, FIONREAD, &n) != 0) return fail(WSAEINVAL);
    *argument = n > 0 ? static_cast<unsigned long>(n) : 0;
    return 0;
}

int shutdown(SOCKET s, int how) {
    std::shared_ptr<Socket> sock = lookUp(s);
    if (!sock) return fail(WSAENOTSOCK);
    if (how != SD_RECEIVE && how != SD_SEND && how != SD_BOTH) return fail(WSAEINVAL);
    if (how != SD_SEND) sock->cancel();
    std::lock_guard<std::mutex> g(sock->fdMutex);
    if (sock->fd < 0) return fail(WSAENOTCONN);
    ::shutdown(sock->fd, how == SD_RECEIVE ? SHUT_RD : how == SD_SEND ? SHUT_WR : SHUT_RDWR);
    return 0;
}

int closesocket(SOCKET s) {
    std::shared_ptr<Socket> sock;
    {
        std::lock_guard<std::mutex> g(registryMutex);
        auto it = registry().find(s);
        if (it == registry().end()) return fail(WSAENOTSOCK);
        sock = it->second;
        registry().erase(it);
    }
    sock->cancel();
    return 0;
}

namespace fake {

int openSockets() {
    std::lock_guard<std::mutex> g(registryMutex);
    return int(registry().size());
}

}  // namespace fake

}  // namespace ce
