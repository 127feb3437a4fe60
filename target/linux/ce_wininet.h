// The device platform's internet client as the host's HTTP bridge uses it:
// a session, a server connection, a request with its headers, the send, the
// response's status and headers, and the body read in pieces. Our own
// declarations of the same names and values, backed by libcurl: one easy
// handle per request, the response's raw status line and header lines kept
// in the order they came, the body streamed through a bounded buffer, HTTPS
// checked against the system's certificate authorities.
//
// Every call may block on the network (InternetConnectW does not: it only
// records the server, the connection is made by the send) and touches no
// runtime state, so the bridge runs them with the VM lock released. Handles
// are checked: a closed, unknown or wrong-kind handle fails with
// ERROR_INVALID_HANDLE or ERROR_INTERNET_INCORRECT_HANDLE_TYPE instead of
// reaching freed memory. No call waits for ever: a server that does not take
// the connection in 30 seconds, or a transfer that moves less than a byte a
// second for 60 seconds while a call waits on it, fails with
// ERROR_INTERNET_TIMEOUT (a body nobody reads may wait without limit). One
// request is meant to be used by one thread at a time; InternetCloseHandle
// may come from another thread while a send or a read blocks, which then
// fails with ERROR_INTERNET_OPERATION_CANCELLED.
//
// Failures return FALSE or a null handle and set GetLastError() (ce_window.h,
// per thread) to one of the ERROR_ codes below. Text is UTF-16 here and
// UTF-8 on the wire (a response's bytes that are not UTF-8 read as U+FFFD).
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce_win32.h"

namespace ce {

using HINTERNET = void*;
using INTERNET_PORT = WORD;
using INTERNET_SCHEME = int;
using DWORD_PTR = uintptr_t;
using LPVOID = void*;
using LPDWORD = DWORD*;
using LPWSTR = char16_t*;

// A URL taken apart. For each part, set its length to non-zero and its
// pointer to null to get a pointer into the URL and the part's length, or
// point it at a buffer of that many characters to get a zero-terminated copy
// (ERROR_INSUFFICIENT_BUFFER, with the length set to the characters needed
// including the terminator, when it does not fit). A part whose pointer and
// length are both zero is not asked for. When the extra information (query
// and fragment, from the first '?' or '#') is not asked for, the path runs
// on to the end of the URL and holds it.
struct URL_COMPONENTSW {
    DWORD dwStructSize;  // sizeof(URL_COMPONENTSW)
    LPWSTR lpszScheme;
    DWORD dwSchemeLength;
    INTERNET_SCHEME nScheme;
    LPWSTR lpszHostName;
    DWORD dwHostNameLength;
    INTERNET_PORT nPort;  // the URL's port, else the scheme's default
    LPWSTR lpszUserName;
    DWORD dwUserNameLength;
    LPWSTR lpszPassword;
    DWORD dwPasswordLength;
    LPWSTR lpszUrlPath;
    DWORD dwUrlPathLength;
    LPWSTR lpszExtraInfo;
    DWORD dwExtraInfoLength;
};

enum : INTERNET_SCHEME {
    INTERNET_SCHEME_UNKNOWN = -1,
    INTERNET_SCHEME_HTTP = 3,
    INTERNET_SCHEME_HTTPS = 4,
};

// InternetOpenW's access types: the system's proxy settings (the usual
// proxy environment variables) or none.
enum : DWORD {
    INTERNET_OPEN_TYPE_PRECONFIG = 0,
    INTERNET_OPEN_TYPE_DIRECT = 1,
};

// InternetConnectW's services and ports. INTERNET_INVALID_PORT_NUMBER takes
// the default port of the request's scheme: 80, or 443 for a request opened
// with INTERNET_FLAG_SECURE.
enum : DWORD { INTERNET_SERVICE_HTTP = 3 };
enum : INTERNET_PORT {
    INTERNET_INVALID_PORT_NUMBER = 0,
    INTERNET_DEFAULT_HTTP_PORT = 80,
    INTERNET_DEFAULT_HTTPS_PORT = 443,
};

// HttpOpenRequestW's flags. Redirects (up to 10, to http and https URLs)
// are followed unless INTERNET_FLAG_NO_AUTO_REDIRECT is given; the response
// the caller then sees is the last one. INTERNET_FLAG_SECURE sends the
// request over TLS, checking the server's certificate and name; a redirect
// from it to a plain http URL fails the send (ERROR_HTTP_REDIRECT_FAILED).
enum : DWORD {
    INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000,
    INTERNET_FLAG_SECURE = 0x00800000,
};

// HttpAddRequestHeadersW's modifiers. No modifier means HTTP_ADDREQ_FLAG_ADD.
// REPLACE alone replaces a header of that name (case ignored) and fails with
// ERROR_HTTP_HEADER_NOT_FOUND when there is none; with ADD it adds the
// header when there is none. REPLACE with an empty value removes the header.
// ADD_IF_NEW fails with ERROR_HTTP_HEADER_ALREADY_EXISTS when it exists.
enum : DWORD {
    HTTP_ADDREQ_FLAG_ADD_IF_NEW = 0x10000000,
    HTTP_ADDREQ_FLAG_ADD = 0x20000000,
    HTTP_ADDREQ_FLAG_REPLACE = 0x80000000,
};

// HttpQueryInfoW's info levels (low 16 bits) and flags (high bits).
enum : DWORD {
    HTTP_QUERY_CONTENT_TYPE = 1,
    HTTP_QUERY_CONTENT_LENGTH = 5,
    HTTP_QUERY_VERSION = 18,      // "HTTP/1.1"
    HTTP_QUERY_STATUS_CODE = 19,  // "200"
    HTTP_QUERY_STATUS_TEXT = 20,  // "OK"
    // The status line and every header line as they came, each ending in
    // CR LF, then an empty line. With HTTP_QUERY_FLAG_REQUEST_HEADERS: the
    // request line and the request's header lines, as sent when the request
    // was sent, else as they stand.
    HTTP_QUERY_RAW_HEADERS_CRLF = 22,

    HTTP_QUERY_FLAG_NUMBER = 0x20000000,  // the value as a DWORD (decimal, must fit)
    HTTP_QUERY_FLAG_REQUEST_HEADERS = 0x80000000,
};

// Last-error codes of these calls (beside ERROR_INVALID_HANDLE and
// ERROR_INVALID_PARAMETER).
enum : DWORD {
    ERROR_NOT_ENOUGH_MEMORY = 8,
    ERROR_INSUFFICIENT_BUFFER = 122,
    ERROR_INTERNET_TIMEOUT = 12002,
    ERROR_INTERNET_INTERNAL_ERROR = 12004,
    ERROR_INTERNET_INVALID_URL = 12005,
    ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006,
    ERROR_INTERNET_NAME_NOT_RESOLVED = 12007,
    ERROR_INTERNET_OPERATION_CANCELLED = 12017,
    ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018,
    ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019,
    ERROR_INTERNET_CANNOT_CONNECT = 12029,
    ERROR_INTERNET_CONNECTION_ABORTED = 12030,
    ERROR_INTERNET_CONNECTION_RESET = 12031,
    ERROR_INTERNET_SEC_CERT_ERRORS = 12055,
    ERROR_HTTP_HEADER_NOT_FOUND = 12150,
    ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152,
    ERROR_HTTP_INVALID_HEADER = 12153,
    ERROR_HTTP_HEADER_ALREADY_EXISTS = 12155,
    ERROR_HTTP_REDIRECT_FAILED = 12156,
    ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157,
    ERROR_INTERNET_NOT_INITIALIZED = 12172,
};

// Whether the device may go on line: always ERROR_SUCCESS on the desktop.
DWORD InternetAttemptConnect(DWORD reserved);

// A session. `agent` (may be null: no User-Agent) is sent as the
// User-Agent of every request made under it. Proxy names and flags are not
// taken: both must be null and 0 (ERROR_INVALID_PARAMETER). When the client
// could not be set up as the program loaded, no session opens
// (ERROR_INTERNET_NOT_INITIALIZED), and the first refusal says why on
// standard error.
HINTERNET InternetOpenW(LPCWSTR agent, DWORD accessType, LPCWSTR proxy, LPCWSTR proxyBypass,
                        DWORD flags);

// A server connection under a session: records the host and port; nothing
// goes on the wire until a request is sent. Only INTERNET_SERVICE_HTTP; the
// host must be non-empty; no credentials (user name null or empty, password
// null or empty).
HINTERNET InternetConnectW(HINTERNET session, LPCWSTR serverName, INTERNET_PORT port,
                           LPCWSTR userName, LPCWSTR password, DWORD service, DWORD flags,
                           DWORD_PTR context);

// Takes apart an http or https URL ("scheme://[user[:password]@]host[:port]
// [/path][?query][#fragment]"; an IPv6 host in brackets). `urlLength` 0 means
// zero-terminated. `flags` must be 0. A URL without "://", with an empty
// host or a port that is not a number from 1 to 65535 fails with
// ERROR_INTERNET_INVALID_URL (an empty port is the scheme's default); a
// scheme that is no scheme name fails with ERROR_INTERNET_UNRECOGNIZED_SCHEME;
// another scheme gives INTERNET_SCHEME_UNKNOWN and port 0.
BOOL InternetCrackUrlW(LPCWSTR url, DWORD urlLength, DWORD flags, URL_COMPONENTSW* components);

// A request on a server connection. `verb` null means "GET"; `objectName`
// null or empty means "/". The object name is the request target: its
// fragment (from the first '#') is never sent, and characters that may not
// appear in a request target (controls, space, non-ASCII as UTF-8 bytes) are
// percent-encoded. `version` null or "HTTP/1.1" (or "HTTP/1.0");
// `referrer` null or empty sends none; `acceptTypes` a null-ended list sent
// as one Accept header, null sends none. Flags: INTERNET_FLAG_SECURE,
// INTERNET_FLAG_NO_AUTO_REDIRECT; others fail with ERROR_INVALID_PARAMETER.
HINTERNET HttpOpenRequestW(HINTERNET connect, LPCWSTR verb, LPCWSTR objectName, LPCWSTR version,
                           LPCWSTR referrer, LPCWSTR* acceptTypes, DWORD flags, DWORD_PTR context);

// One or more header lines "Name: value", separated by CR LF;
// `headersLength` is in characters, or DWORD(-1) for zero-terminated. A
// line without a name and ':' or with control characters fails with
// ERROR_HTTP_INVALID_HEADER and adds nothing. Only before the send
// (ERROR_INTERNET_INCORRECT_HANDLE_STATE after it). Content-Length is
// always the body's own: a caller's is not sent.
BOOL HttpAddRequestHeadersW(HINTERNET request, LPCWSTR headers, DWORD headersLength,
                            DWORD modifiers);

// Sends the request, once: connects (the connection's port, TLS for a
// secure request), sends the request line, headers and the `optional`
// body (copied; may be freed once this returns), and waits for the final
// response's status line and headers. `headers` (may be null) are added
// first as by HttpAddRequestHeadersW with HTTP_ADDREQ_FLAG_ADD. The body
// is not read here. An HTTP error status is still a success, and so is a
// response whose body then breaks off (the reads report that). A second
// send fails with ERROR_INTERNET_INCORRECT_HANDLE_STATE.
BOOL HttpSendRequestW(HINTERNET request, LPCWSTR headers, DWORD headersLength, LPVOID optional,
                      DWORD optionalLength);

// A part of the response (or, with HTTP_QUERY_FLAG_REQUEST_HEADERS and
// HTTP_QUERY_RAW_HEADERS_CRLF, of the request). As text: UTF-16 into
// `buffer`, zero-terminated, *bufferLength in bytes: on entry the buffer's
// size, on return the bytes written without the terminator; when it does
// not fit (a null buffer included), ERROR_INSUFFICIENT_BUFFER and
// *bufferLength set to the bytes needed with the terminator. With
// HTTP_QUERY_FLAG_NUMBER: a DWORD, *bufferLength at least 4. A response
// without the header fails with ERROR_HTTP_HEADER_NOT_FOUND; response parts
// before the send with ERROR_INTERNET_INCORRECT_HANDLE_STATE. `index` must
// be null or point to 0.
BOOL HttpQueryInfoW(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength,
                    LPDWORD index);

// Reads the next bytes of the response body: waits until at least one byte
// or the end is there, then gives what is buffered, up to `toRead`.
// *read is 0 (and the result TRUE) at the end, and again on every later
// call. A body cut short by the server fails (ERROR_INTERNET_CONNECTION_RESET
// or _ABORTED) once the bytes that did come have been read. Only after a
// successful send.
BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD toRead, LPDWORD read);

// Closes any handle. A request's transfer is abandoned; a connection or
// session closed before its requests leaves them usable until they are
// closed themselves.
BOOL InternetCloseHandle(HINTERNET handle);

namespace fake {

// Tests only: take the client's set-up as the program loaded to have ended
// with `curlCode` (a libcurl result; 0 is success), as if for the first time.
void setSetUpResult(int curlCode);

// Tests only: trust the certificate authorities in this PEM file instead
// of the system's (an empty path restores the system's). Applies to
// requests sent from then on.
void setCertificateAuthorities(const char* pemPath);

// Tests only: the connect time-out in milliseconds and the stall time-out
// in seconds for requests sent from then on (0 restores the default).
void setTimeouts(long connectMs, long stallSeconds);

// The body bytes a request holds for its reader now.
size_t bufferedBodyBytes(HINTERNET request);

// The number of handles open now (sessions, connections and requests).
int openInternetHandles();

}  // namespace fake

}  // namespace ce
