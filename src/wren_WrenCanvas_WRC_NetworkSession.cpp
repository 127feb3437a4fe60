#include "wren_WrenCanvas_WRC_NetworkSession.h"

#include "VMTry.h"
#include "java_io_ByteArrayOutputStream.h"
#include "java_io_IOException.h"
#include "java_lang_Integer.h"
#include "java_lang_System.h"
#include "java_lang_Throwable.h"
#include "javax_microedition_io_Connector.h"
#include "wren_io_FastInputStream.h"

WREN_DEFINE_CLASS(wren::WrenCanvas_WRC_NetworkSession, "wren.WrenCanvas$NetworkSession")

namespace wren {

using java::lang::String;
using java::lang::Throwable;
using javax::microedition::io::Connector;
using javax::microedition::io::HttpConnection;

namespace {

// Runs `step`; a failure there only skips it.
template <class F>
void guarded(F&& step) {
    vmTryCatch([&] { step(); }, [](const VMPtr<Throwable>&) {});
}

}  // namespace

void WrenCanvas_WRC_NetworkSession::ctor() {
    Thread::ctor();
    contentLength = -1;
}

bool WrenCanvas_WRC_NetworkSession::isCurrent() {
    return canvas != nullptr && canvas->networkSession == VMPtr<java::lang::Thread>(this);
}

void WrenCanvas_WRC_NetworkSession::ensureCurrent() {
    if (!isCurrent()) java::io::IOException::throwNew(WREN_LIT("superseded"));
}

void WrenCanvas_WRC_NetworkSession::run() {
    jint code = FAILED_OPEN;
    VMPtr<VMArray<jbyte>> body;
    vmTryCatch(
        [&] {
            ensureCurrent();
            const bool post = postData != nullptr;
            connection = vmCast<HttpConnection>(
                Connector::open(url, post ? Connector::READ_WRITE : Connector::READ, true));
            if (connection == nullptr)
                java::io::IOException::throwNew(WREN_LIT("not an HTTP connection"));
            connection->setRequestMethod(post ? WREN_LIT("POST") : WREN_LIT("GET"));
            code = FAILED_HEADERS;
            if (post)
                connection->setRequestProperty(WREN_LIT("Content-Type"),
                                               WREN_LIT("application/octet-stream"));
            if (headers != nullptr) applyHeaders();
            if (post) {
                ensureCurrent();
                code = FAILED_SEND;
                connection->setRequestProperty(WREN_LIT("Content-Length"),
                                               String::valueOf(postData->length));
                output = connection->openOutputStream();
                output->write(postData);
                guarded([&] { output->close(); });
                output = nullptr;
                postData = nullptr;
            }
            // No status is a failure of the stage that got this far: a body
            // read without a status would be reported as a success.
            jint status = connection->getResponseCode();
            if (status < 0) java::io::IOException::throwNew(WREN_LIT("no response"));
            code = status == 200 ? jint(FAILED_READ) : status;
            input = connection->openInputStream();
            contentLength = -1;
            findContentLength();
            ensureCurrent();
            body = readBody();
            code = status;
        },
        [&](const VMPtr<Throwable>&) {
            bytesReceived = -1;
            body = nullptr;
        });
    guarded([&] {
        if (isCurrent()) canvas->setNetworkResult(code, body);
    });
    close();
}

// "name: value" lines separated by LF; a stretch without a colon is joined
// to the name of the next line that has one, and scanning ends where no
// further colon exists.
void WrenCanvas_WRC_NetworkSession::applyHeaders() {
    VMPtr<String> text = headers;
    jint length = text->length();
    jint p = 0;
    while (p < length) {
        jint colon = text->indexOf(':', p);
        if (colon < 0) break;
        jint lineEnd = text->indexOf('\n', colon + 1);
        if (lineEnd < 0) lineEnd = length;
        VMPtr<String> name = text->substring(p, colon)->trim();
        VMPtr<String> value = text->substring(colon + 1, lineEnd)->trim();
        connection->setRequestProperty(name, value);
        p = lineEnd + 1;
    }
}

void WrenCanvas_WRC_NetworkSession::findContentLength() {
    bool encoded = false;
    guarded([&] {
        VMPtr<String> encoding = connection->getEncoding();
        encoded = encoding != nullptr && encoding->trim()->length() > 0;
    });
    if (encoded) return;
    guarded([&] { contentLength = connection->getHeaderFieldInt(WREN_LIT("Content-Length"), -1); });
    if (contentLength < 0) {
        guarded([&] {
            VMPtr<String> value = connection->getHeaderField(WREN_LIT("Content-Length"));
            for (jint i = 0; value == nullptr && i < 50; ++i) {
                guarded([&] {
                    VMPtr<String> key = connection->getHeaderFieldKey(i);
                    if (key != nullptr && key->equalsIgnoreCase(WREN_LIT("Content-Length")))
                        value = connection->getHeaderField(i);
                });
            }
            if (value != nullptr) contentLength = java::lang::Integer::parseInt(value->trim());
        });
    }
    if (contentLength < 0) guarded([&] { contentLength = jint(connection->getLength()); });
}

VMPtr<VMArray<jbyte>> WrenCanvas_WRC_NetworkSession::readBody() {
    // An announced length beyond the cap is not taken at its word: the body
    // is collected as it comes and fails once it passes the cap.
    if (contentLength < 1 || contentLength > MAX_BODY_BYTES) return readUnknownLength();
    WrenCanvas::sleep(BLOCK_PAUSE_MS);
    VMPtr<VMArray<jbyte>> body = VMArray<jbyte>::create(contentLength);
    while (isCurrent() && bytesReceived < contentLength) {
        jint n = input->read(body, bytesReceived, nextChunkSize());
        if (n < 0) {
            VMPtr<VMArray<jbyte>> shorter = VMArray<jbyte>::create(bytesReceived);
            java::lang::System::arraycopy(body, 0, shorter, 0, bytesReceived);
            return shorter;
        }
        bytesReceived += n;
        WrenCanvas::sleep(BLOCK_PAUSE_MS);
    }
    return body;
}

VMPtr<VMArray<jbyte>> WrenCanvas_WRC_NetworkSession::readUnknownLength() {
    bytesReceived = 0;
    VMPtr<io::FastInputStream> blocks = io::FastInputStream::make(input);
    VMPtr<java::io::ByteArrayOutputStream> collector = java::io::ByteArrayOutputStream::make(1024);
    while (isCurrent()) {
        jint n = blocks->writeBufferTo(collector);
        if (n < 0) break;
        bytesReceived += n;
        if (collector->size() > MAX_BODY_BYTES)
            java::io::IOException::throwNew(WREN_LIT("body longer than the session keeps"));
        WrenCanvas::sleep(BLOCK_PAUSE_MS);
    }
    bytesReceived = collector->size();
    return collector->toByteArray();
}

jint WrenCanvas_WRC_NetworkSession::nextChunkSize() {
    jint n = input->available();
    if (n < 1) n = 1024;
    jint left = contentLength - bytesReceived;
    return n < left ? n : left;
}

void WrenCanvas_WRC_NetworkSession::close() {
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
}

}  // namespace wren
