// wren.WrenCanvas$NetworkSession: one HTTP exchange of the canvas on a thread
// of its own. It sends a GET, or a POST of an octet-stream body, with the
// game's extra header lines, reads the body whatever the status, and hands
// the status and the body (or a negative code naming the stage that failed)
// to the canvas, which delivers it on the game thread. A session that is no
// longer the canvas's current one stops at its next check and delivers
// nothing.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_InputStream.h"
#include "java_io_OutputStream.h"
#include "java_lang_String.h"
#include "java_lang_Thread.h"
#include "javax_microedition_io_HttpConnection.h"
#include "wren_WrenCanvas.h"

namespace wren {

class WrenCanvas_WRC_NetworkSession : public java::lang::Thread {
    WREN_CLASS(WrenCanvas_WRC_NetworkSession, java::lang::Thread, (postData, VMArray<jbyte>),
               (input, java::io::InputStream),
               (connection, javax::microedition::io::HttpConnection), (url, java::lang::String),
               (canvas, WrenCanvas), (headers, java::lang::String),
               (output, java::io::OutputStream))
public:
    // The codes of a failure before a status came.
    enum : jint { FAILED_OPEN = -9, FAILED_HEADERS = -11, FAILED_READ = -12, FAILED_SEND = -13 };
    // The largest body a session keeps. A longer one is read up to this
    // size and then fails the session; an announced length above it is not
    // allocated up front.
    static constexpr jint MAX_BODY_BYTES = 16 * 1024 * 1024;
    // The pause after each block read, so that the game thread keeps its
    // frames during a long download.
    static constexpr jint BLOCK_PAUSE_MS = 25;

    // Written by the session, read by the game while it runs.
    jint bytesReceived = 0;  // -1 after a failure
    jint contentLength = 0;  // -1 while unknown

    void ctor();
    void run() override;
    // Closes the output, the input and the connection, each on its own.
    virtual void close();

private:
    bool isCurrent();
    void ensureCurrent();
    void applyHeaders();
    void findContentLength();
    VMPtr<VMArray<jbyte>> readBody();
    VMPtr<VMArray<jbyte>> readUnknownLength();
    jint nextChunkSize();
};

}  // namespace wren
