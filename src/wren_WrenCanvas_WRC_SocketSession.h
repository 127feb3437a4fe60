// wren.WrenCanvas$SocketSession: the canvas's one raw socket connection, run
// by two threads over the same object. The reader (the thread the canvas
// starts, while `url` is set) opens the connection, starts the writer and
// hands every block it receives to the canvas's onSocketData; the writer
// sends the messages the game queued, in order. The session ends when it is
// closed, when a write fails, and when the peer ends the stream or a read
// fails or times out.
//
// The queue holds each message as two elements: the byte array, then an
// Integer of offset * 65536 + length; so a message is at most 65535 bytes
// from an offset of at most 32767, and the canvas refuses any other.
#pragma once

#include <atomic>

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_DataInputStream.h"
#include "java_io_DataOutputStream.h"
#include "java_lang_String.h"
#include "java_lang_Thread.h"
#include "java_util_Vector.h"
#include "javax_microedition_io_SocketConnection.h"
#include "wren_WrenCanvas.h"

namespace wren {

class WrenCanvas_WRC_SocketSession : public java::lang::Thread {
    WREN_CLASS(WrenCanvas_WRC_SocketSession, java::lang::Thread,
               (connection, javax::microedition::io::SocketConnection),
               (output, java::io::DataOutputStream), (input, java::io::DataInputStream),
               (url, java::lang::String), (canvas, WrenCanvas), (queue, java::util::Vector))
public:
    static constexpr jint MAX_MESSAGE_LENGTH = 0xFFFF;
    static constexpr jint MAX_MESSAGE_OFFSET = 0x7FFF;
    // The reader's first buffer; it grows to the largest block available at
    // once and never shrinks.
    static constexpr jint FIRST_BUFFER_SIZE = 256;
    // The writer's longest sleep on an empty queue.
    static constexpr jint WRITER_WAIT_MS = 1000;

    // Set once by close; both threads stop when they see it.
    std::atomic<bool> closed{false};

    void ctor();
    void run() override;
    // Closes the streams and the connection (which ends a blocked read),
    // drops the queued messages, wakes the writer and leaves the canvas.
    virtual void close();

private:
    void readerRun();
    void writerRun();
    void sendQueued();
};

}  // namespace wren
