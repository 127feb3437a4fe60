#include "wren_WrenCanvas_WRC_SocketSession.h"

#include "VMMath.h"
#include "VMTry.h"
#include "java_io_IOException.h"
#include "java_lang_Exception.h"
#include "java_lang_Integer.h"
#include "java_lang_System.h"
#include "java_lang_Throwable.h"
#include "javax_microedition_io_Connector.h"

WREN_DEFINE_CLASS(wren::WrenCanvas_WRC_SocketSession, "wren.WrenCanvas$SocketSession")

namespace wren {

using java::lang::Throwable;

namespace {

template <class F>
void guarded(F&& step) {
    vmTryCatch([&] { step(); }, [](const VMPtr<Throwable>&) {});
}

}  // namespace

void WrenCanvas_WRC_SocketSession::ctor() {
    Thread::ctor();
    queue = java::util::Vector::make();
}

void WrenCanvas_WRC_SocketSession::run() {
    if (url != nullptr)
        readerRun();
    else
        writerRun();
}

void WrenCanvas_WRC_SocketSession::readerRun() {
    // Readers of all sessions take turns: a new session's connection opens
    // only once the previous reader has left and closed its own.
    VMSynchronized sessions(classRecord());
    guarded([&] {
        VMPtr<javax::microedition::io::Connection> opened =
            javax::microedition::io::Connector::open(url);
        connection = vmCast<javax::microedition::io::SocketConnection>(opened);
        if (connection == nullptr) {
            guarded([&] { opened->close(); });
            java::io::IOException::throwNew(WREN_LIT("not a socket connection"));
        }
        input = connection->openDataInputStream();
        output = connection->openDataOutputStream();
        url = nullptr;
        java::lang::Thread::make(VMPtr<java::lang::Runnable>(this))->start();

        VMPtr<VMArray<jbyte>> buffer = VMArray<jbyte>::create(FIRST_BUFFER_SIZE);
        while (!closed) {
            VMPtr<java::io::DataInputStream> in = input;
            if (in == nullptr) break;
            jint n = in->available();
            if (n > buffer->length) buffer = VMArray<jbyte>::create(n);
            if (n < 1) n = 1;
            jint got = in->read(buffer, 0, n);
            // The peer has ended the stream: nothing more will come, and
            // reading on would only spin.
            if (got < 0) break;
            if (got > 0) canvas->onSocketData(buffer, got);
        }
    });
    close();
}

void WrenCanvas_WRC_SocketSession::writerRun() {
    while (!closed) {
        vmTryCatch([&] { sendQueued(); }, [&](const VMPtr<Throwable>&) { close(); });
        VMSynchronized guard(queue);
        if (queue->isEmpty() && !closed)
            vmTryCatch([&] { queue->wait(WRITER_WAIT_MS); },
                       [](const VMPtr<java::lang::Exception>&) {});
    }
}

void WrenCanvas_WRC_SocketSession::sendQueued() {
    for (;;) {
        VMPtr<VMArray<jbyte>> data;
        jint packed = 0;
        {
            VMSynchronized guard(queue);
            if (closed || queue->size() < 2) return;
            data = vmCast<VMArray<jbyte>>(queue->elementAt(0));
            packed = vmCast<java::lang::Integer>(queue->elementAt(1))->value;
            queue->removeElementAt(0);
            queue->removeElementAt(0);
        }
        jint offset = vmShr(packed, 16);
        jint length = packed & 0xFFFF;
        if (length <= 0) continue;
        VMPtr<java::io::DataOutputStream> out = output;
        if (out == nullptr) java::io::IOException::throwNew(WREN_LIT("closed"));
        out->write(data, offset, length);
        out->flush();
    }
}

void WrenCanvas_WRC_SocketSession::close() {
    VMSynchronized guard(this);
    const bool first = !closed.exchange(true);
    // Whatever is open is closed on every call: a connection that the
    // reader opened after an early close is closed by the reader's own.
    if (output != nullptr) {
        guarded([&] { output->close(); });
        output = nullptr;
    }
    if (input != nullptr) {
        guarded([&] { input->close(); });
        input = nullptr;
    }
    if (connection != nullptr) {
        guarded([&] { connection->close(); });
        connection = nullptr;
    }
    if (first) {
        guarded([&] {
            VMSynchronized queueGuard(queue);
            queue->removeAllElements();
            queue->notify();
        });
        guarded([] { java::lang::System::gc(); });
    }
    if (canvas != nullptr && canvas->socketSession == VMPtr<java::lang::Thread>(this))
        canvas->socketSession = nullptr;
}

}  // namespace wren
