// Raw stream sockets for "socket://host:port" connections: one native record
// per connection, reference-counted as the HTTP records are
// (HAL_createSocketConnection hands out the connection's own reference, each
// stream takes one more). Every operation returns a HAL status.
//
// Blocking calls (connecting, reading, writing) give the VM lock up while
// they wait and run the enter-VM hook on taking it back. The connect and
// every read and write have time-outs, so that no call waits forever on a
// silent peer. HAL_closeSocketConnection from another thread makes a call
// blocked on the socket return at once with 7.
#pragma once

#include <cstdint>

#include "VMTypes.h"

struct NativeSocketConnection;

// How long a connect may take, and a read or a write may wait, in ms.
constexpr jint HAL_SOCKET_CONNECT_TIMEOUT_MS = 10000;
constexpr jint HAL_SOCKET_IO_TIMEOUT_MS = 60000;

// Parses "socket://host:port" (an IPv6 host in brackets; the port a number
// from 1 to 65535, required) and connects. 2 for a null out-pointer or URL
// or a URL of another form, 4 when the host is unknown, refuses or does not
// answer in time, 5 when the record cannot be made.
int32_t HAL_createSocketConnection(NativeSocketConnection** out, const jchar* chars, jint count);
// Closes the socket (calls blocked on it end) and drops the connection's
// own reference. 2 for null.
int32_t HAL_deleteSocketConnection(NativeSocketConnection* conn);
int32_t HAL_retainSocketConnection(NativeSocketConnection* conn);
int32_t HAL_releaseSocketConnection(NativeSocketConnection* conn);
// Closes the socket; the record stays for its other holders.
int32_t HAL_closeSocketConnection(NativeSocketConnection* conn);

// The port and host the connection was opened with.
int32_t HAL_getSocketPort(NativeSocketConnection* conn, jint* out);

// Waits for at least one byte and copies up to `count` into `buffer`
// (*got bytes). 3 with *got 0 once the peer has ended its side, 7 (*got -1)
// when the read fails, times out or the socket has been closed.
int32_t HAL_readSocketConnection(NativeSocketConnection* conn, uint8_t* buffer, jint count,
                                 jint* got);
// The bytes a read would return without waiting (0 when closed).
int32_t HAL_availableSocketConnection(NativeSocketConnection* conn, jint* out);
// Sends all `count` bytes; 7 when the peer has gone, the send times out or
// the socket has been closed.
int32_t HAL_writeSocketConnection(NativeSocketConnection* conn, const uint8_t* bytes, jint count);

// Tests only: other time-outs in place of the two above (0 or less: back
// to those).
void HAL_setSocketTimeoutsForTests(jint connectMs, jint ioMs);
