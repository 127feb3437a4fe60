// HTTP over the platform's internet service: one session for the whole
// program and one native connection record per HTTP connection. The request
// is sent lazily, the first time anything about the response is asked for or
// read. Every operation returns a HAL status; strings handed out carry one
// reference for the caller to release.
//
// Lifetime: the record is reference-counted. HAL_createHTTPConnection hands
// out the connection's own reference; each stream takes one more with
// HAL_retainHTTPConnection and gives it back with HAL_releaseHTTPConnection.
// HAL_deleteHTTPConnection closes the network handles and gives the
// connection's reference back, so a stream that outlives its connection
// still holds a valid record and learns of the close from its next read.
//
// Blocking calls (opening the session, connecting, sending, reading) give
// the VM lock up while they wait and run the enter-VM hook on taking it
// back. Everything else runs under the VM lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "HAL_strings.h"
#include "VMTypes.h"

struct NativeHttpConnection;

// Makes the record for the URL's characters and opens its server connection
// (host and port of the URL). A failed connect is not reported here: the
// record then has no server connection and its first send fails. 2 for a
// null out-pointer or URL, 5 when the record cannot be made.
int32_t HAL_createHTTPConnection(NativeHttpConnection** out, const jchar* chars, jint count);
// Closes the server connection and the request and drops the connection's
// own reference. 2 for null.
int32_t HAL_deleteHTTPConnection(NativeHttpConnection* conn);
// A stream's hold on the record.
int32_t HAL_retainHTTPConnection(NativeHttpConnection* conn);
int32_t HAL_releaseHTTPConnection(NativeHttpConnection* conn);
// Closes the server connection and the request; the record stays.
int32_t HAL_closeHTTPInputStream(NativeHttpConnection* conn);

// Parts of the URL, as new strings (null when the part is absent).
int32_t HAL_getHTTPURL(NativeHttpConnection* conn, NativeString** out);
int32_t HAL_getHTTPHost(NativeHttpConnection* conn, NativeString** out);
// The URL's port, or the scheme's default (443 for https, else 80).
int32_t HAL_getHTTPPort(NativeHttpConnection* conn, jint* out);
// The path from the '/' after the authority, without query and fragment.
int32_t HAL_getHTTPFile(NativeHttpConnection* conn, NativeString** out);
// After the first '?' up to the fragment.
int32_t HAL_getHTTPQuery(NativeHttpConnection* conn, NativeString** out);
// After the first '#'.
int32_t HAL_getHTTPRef(NativeHttpConnection* conn, NativeString** out);

int32_t HAL_getHTTPRequestMethod(NativeHttpConnection* conn, NativeString** out);
int32_t HAL_setHTTPRequestMethod(NativeHttpConnection* conn, const jchar* chars, jint count);
// Adds the property, or replaces the value of the one with an equal key
// (exact comparison) in its place.
int32_t HAL_setHTTPRequestProperty(NativeHttpConnection* conn, const jchar* key, jint keyCount,
                                   const jchar* value, jint valueCount);
// Null (and 0) when the key has no value.
int32_t HAL_getHTTPRequestProperty(NativeHttpConnection* conn, const jchar* key, jint keyCount,
                                   NativeString** out);

// Appends a copy of the bytes as the next chunk of the request body; a
// closed connection answers 7. Chunks written after the send are kept and
// never sent.
int32_t HAL_writeHTTPConnection(NativeHttpConnection* conn, const uint8_t* bytes, jint count);
int32_t HAL_flushHTTPConnection(NativeHttpConnection* conn);
// Sends the request if needed, then reads up to 4096 bytes of the body into
// the record's read buffer; *buffer points into it until the next read.
// 3 with a count of 0 at the end of the body, 7 (count -1) when the request
// could not be sent, the read failed or the connection has been closed.
int32_t HAL_readHTTPConnection(NativeHttpConnection* conn, const uint8_t** buffer, jint* count);

// The response side; each sends the request first if needed.
// The status code, -1 when the request could not be sent.
int32_t HAL_getHTTPResponseCode(NativeHttpConnection* conn, jint* out);
// The content length, -1 when absent.
int32_t HAL_getHTTPLength(NativeHttpConnection* conn, jlong* out);
// The content type, null when absent.
int32_t HAL_getHTTPType(NativeHttpConnection* conn, NativeString** out);
// The whole status line (response entry 0); 4 when there is none.
int32_t HAL_getHTTPResponseMessage(NativeHttpConnection* conn, NativeString** out);
// The first response field with that name, compared without regard to case;
// 4 when absent.
int32_t HAL_getHTTPHeaderField(NativeHttpConnection* conn, const jchar* key, jint keyCount,
                               NativeString** out);
// Value and key of response entry `index` (entry 0 is the status line and
// has no key); 4 past the end.
int32_t HAL_getHTTPHeaderFieldByIndex(NativeHttpConnection* conn, jint index, NativeString** out);
int32_t HAL_getHTTPHeaderFieldKey(NativeHttpConnection* conn, jint index, NativeString** out);
// The "Transfer-Encoding" field; 4 when absent.
int32_t HAL_getHTTPEncoding(NativeHttpConnection* conn, NativeString** out);

// Closes the session at host shutdown.
void HttpSession_close();

// The raw header text as the service hands it over ("status line CR LF
// field CR LF ... CR LF"), cut into lines (CR LF, a lone CR or a lone LF
// ends one): the status line first, always whole, then each field line; a
// line with a ':' is a key and a value (blanks after the ':' skipped), a
// line without is a value alone (key null, keyLength 0). Stops at the first
// empty line; a last line without a line break is dropped. Exposed for
// tests and fuzzing.
using HttpHeaderLineSink = std::function<void(const jchar* key, size_t keyLength,
                                              const jchar* value, size_t valueLength)>;
void HttpHeaders_split(const jchar* text, size_t length, const HttpHeaderLineSink& sink);
