// The device platform's sockets as the host's socket bridge uses them: a
// stream socket, connected by name with a time-out, read and written
// blocking, with the receive and send time-outs of SO_RCVTIMEO and
// SO_SNDTIMEO. Our own declarations of the Winsock names and values, over
// POSIX sockets.
//
// Handles are checked: a closed or unknown socket fails with WSAENOTSOCK
// instead of reaching a reused descriptor. closesocket and shutdown may come
// from another thread while a connect, recv or send blocks on the socket:
// that call then fails at once with WSAEINTR. The descriptor itself is let
// go only when no call uses it any more. Writing to a socket whose peer has
// gone fails with WSAECONNRESET; it never raises a signal.
//
// The names that the system's own socket headers define as macros (AF_INET,
// SOL_SOCKET, FIONREAD and the like) end in '_' here, so that both can be
// seen from one file.
#pragma once

#include <cstdint>

#include "ce_win32.h"

namespace ce {

using SOCKET = uintptr_t;
constexpr SOCKET INVALID_SOCKET = ~SOCKET(0);
constexpr int SOCKET_ERROR = -1;

enum : int { AF_UNSPEC_ = 0, AF_INET_ = 2 };
enum : int { SOCK_STREAM_ = 1 };
enum : int { IPPROTO_TCP_ = 6 };
// shutdown's directions.
enum : int { SD_RECEIVE = 0, SD_SEND = 1, SD_BOTH = 2 };
// setsockopt: the value is a DWORD of milliseconds, 0 meaning no limit.
enum : int { SOL_SOCKET_ = 0xFFFF, SO_SNDTIMEO_ = 0x1005, SO_RCVTIMEO_ = 0x1006 };
// ioctlsocket: the bytes that a recv would return at once.
enum : long { FIONREAD_ = 0x4004667F };

enum : int {
    WSAEINTR = 10004,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAENOTSOCK = 10038,
    WSAEAFNOSUPPORT = 10047,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAEISCONN = 10056,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAHOST_NOT_FOUND = 11001,
};

struct TIMEVAL {
    long tv_sec;
    long tv_usec;
};

// The error of this thread's last failed call.
int WSAGetLastError();

// A TCP stream socket (AF_INET or AF_UNSPEC, SOCK_STREAM, IPPROTO_TCP or 0);
// anything else fails with WSAEAFNOSUPPORT. It is connected by
// WSAConnectByNameW.
SOCKET socket(int af, int type, int protocol);

// Resolves `nodeName` and connects to `serviceName` (a port number), trying
// each address in turn, all within `timeout` (null: no limit): WSAETIMEDOUT
// when it runs out, WSAECONNREFUSED, WSAHOST_NOT_FOUND. The four address
// out-parameters and `reserved` must be null.
BOOL WSAConnectByNameW(SOCKET s, LPCWSTR nodeName, LPCWSTR serviceName, DWORD* localAddressLength,
                       void* localAddress, DWORD* remoteAddressLength, void* remoteAddress,
                       const TIMEVAL* timeout, void* reserved);

// SO_RCVTIMEO or SO_SNDTIMEO at SOL_SOCKET, `value` a DWORD.
int setsockopt(SOCKET s, int level, int name, const char* value, int length);

// Waits for at least one byte (up to the receive time-out: WSAETIMEDOUT)
// and returns what is there, up to `length`; 0 once the peer has ended its
// side. `flags` must be 0.
int recv(SOCKET s, char* buffer, int length, int flags);

// Sends all `length` bytes, or fails (the send time-out: WSAETIMEDOUT).
// `flags` must be 0.
int send(SOCKET s, const char* buffer, int length, int flags);

// FIONREAD only.
int ioctlsocket(SOCKET s, long command, unsigned long* argument);

int shutdown(SOCKET s, int how);
int closesocket(SOCKET s);

namespace fake {

// Tests only: the sockets open now.
int openSockets();

}  // namespace fake

}  // namespace ce
