// The stream Class.getResourceAsStream hands out: one resource file of the
// bridge, read by absolute offset, so it keeps no buffer and mark/reset work
// at any distance.
#pragma once

#include "java_io_InputStream.h"
#include "java_lang_String.h"

struct HAL_ResourceFile;  // the bridge's native record

namespace com::nimbault::marl::cldc::io {

class ResourceInputStream : public java::io::InputStream {
    WREN_CLASS(ResourceInputStream, java::io::InputStream)
public:
    HAL_ResourceFile* handle = nullptr;  // null once closed
    jint position = 0;                   // of the next byte to read
    jint size = 0;                       // taken at open
    jint markPosition = 0;               // Java's `mark` field; the name is mark(int)'s here

    using java::io::InputStream::read;

    // Opens the resource of that (already resolved) name. IOException
    // "Resource error: <status>" when the bridge can't open it (4 when there
    // is no such file).
    void ctor(const VMPtr<java::lang::String>& name);
    // A stream dropped without close() closes its file here.
    ~ResourceInputStream() override;

    // read, skip and reset throw IOException once closed; available and
    // mark still work.
    jint read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override;
    jint read() override;
    jlong skip(jlong n) override;
    jint available() override;
    // Closing twice does nothing more.
    void close() override;
    void mark(jint readlimit) override;
    void reset() override;
    jboolean markSupported() override;

private:
    void ensureOpen();
};

}  // namespace com::nimbault::marl::cldc::io
