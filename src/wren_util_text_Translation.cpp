#include "wren_util_text_Translation.h"

#include "java_io_EOFException.h"
#include "java_io_IOException.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_StringIndexOutOfBoundsException.h"
#include "wren_Resources.h"

WREN_DEFINE_CLASS(wren::util::text::Translation, "wren.util.text.Translation")

namespace wren::util::text {

using java::lang::String;
using java::lang::StringBuffer;

namespace {

[[noreturn]] void refuse(const char* what, jint text, jint value) {
    VMPtr<StringBuffer> m = StringBuffer::make("text table: ");
    m->append(what);
    m->append(" (text ");
    m->append(text);
    m->append(", ");
    m->append(value);
    m->append(")");
    java::io::IOException::throwNew(m->toString());
}

}  // namespace

void Translation::ctor(const VMPtr<java::io::DataInputStream>& in, jint size) {
    java::lang::Object::ctor();
    // The pool is sized from the entry's size before a text is read: a size
    // the stream can't deliver would end in its short read anyway, after an
    // allocation as large as the lie.
    jint held = in->available();
    if (size > held) {
        VMPtr<StringBuffer> m = StringBuffer::make("text table: size past the data (");
        m->append(size);
        m->append(" bytes, ");
        m->append(held);
        m->append(" held)");
        java::io::EOFException::throwNew(m->toString());
    }
    jint n = in->readChar();
    // Each text has a 2-byte length, and the count has its own.
    jint poolSize = size - 2 * (n + 1);
    if (poolSize < 0) refuse("entry too small for its count", n, size);
    VMPtr<VMArray<jchar>> small;
    VMPtr<VMArray<jint>> wide;
    if (size > MAX_SHORT_OFFSETS_SIZE)
        wide = VMArray<jint>::create(n + 1);
    else
        small = VMArray<jchar>::create(n + 1);
    VMPtr<VMArray<jbyte>> bytes = VMArray<jbyte>::create(poolSize);
    jint running = 0;
    for (jint i = 0; i < n; ++i) {
        if (wide != nullptr)
            wide[i] = running;
        else
            small[i] = jchar(running);
        jint length = in->readShort();
        // Refused rather than skipped: a length taken as 0 would move every
        // later text onto the wrong bytes.
        if (length < 0) refuse("negative length", i, length);
        if (length > poolSize - running) refuse("length past the entry", i, length);
        if (length > 0) in->readFully(bytes, running, length);
        running += length;
    }
    if (wide != nullptr)
        wide[n] = running;
    else
        small[n] = jchar(running);
    offsets16 = small;
    offsets32 = wide;
    pool = bytes;
    count = n;
}

void Translation::checkId(jint id) {
    if (id < 0 || id >= count)
        wren::Resources::throwMissingPart(resourceId, "text table", "text", id, count);
}

jint Translation::getOffset(jint id) {
    checkId(id);
    if (offsets16 != nullptr) return offsets16[id];
    return offsets32[id];
}

jint Translation::getLength(jint id) {
    checkId(id);
    if (offsets16 != nullptr) return jint(offsets16[id + 1]) - jint(offsets16[id]);
    return offsets32[id + 1] - offsets32[id];
}

void Translation::decodeUtf8(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length,
                             const VMPtr<StringBuffer>& sb, jint pos) {
    clinit();
    jint limit = data->length;
    if (offset < 0 || offset > limit) java::lang::ArrayIndexOutOfBoundsException::throwNew(offset);
    if (length < 0 || length > limit - offset)
        java::lang::ArrayIndexOutOfBoundsException::throwNew(offset + length);
    const jbyte* p = data->elements();
    jint i = offset;
    const jint end = offset + length;
    // The ASCII run that most texts are, before any sequence.
    while (i < end && p[i] >= 0) sb->insert(pos++, jchar(p[i++]));
    while (i < end) {
        jint b = p[i] & 0xFF;
        jint kind = b >> 4;
        jint c = 0;
        if (b < 0x80) {
            c = b;
            i += 1;
        } else if (kind == 12 || kind == 13) {
            if (end - i < 2) {
                i = end;  // cut off: one U+0000 for what is left
            } else {
                c = ((b & 0x1F) << 6) | (p[i + 1] & 0x3F);
                i += 2;
            }
        } else if (kind == 14) {
            if (end - i < 3) {
                i = end;
            } else {
                c = ((b & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F);
                i += 3;
            }
        } else {
            i += 1;
        }
        sb->insert(pos++, jchar(c));
    }
}

VMPtr<StringBuffer> Translation::insertString(jint id, const VMPtr<StringBuffer>& sb, jint pos) {
    if (strings != nullptr) {
        // Checked here: null is a text the buffer would take as "null".
        checkId(id);
        VMPtr<String> s = strings[id];
        sb->insert(pos, s);
        return sb;
    }
    // Checked before the first character, so a bad position inserts
    // nothing, also for an empty text.
    if (pos < 0 || pos > sb->length()) java::lang::StringIndexOutOfBoundsException::throwNew(pos);
    decodeUtf8(pool, getOffset(id), getLength(id), sb, pos);
    return sb;
}

VMPtr<StringBuffer> Translation::appendString(jint id, const VMPtr<StringBuffer>& sb) {
    return insertString(id, sb, sb->length());
}

VMPtr<StringBuffer> Translation::getString(jint id, const VMPtr<StringBuffer>& sb) {
    sb->setLength(0);
    return insertString(id, sb, 0);
}

VMPtr<String> Translation::getString(jint id) {
    if (strings != nullptr) {
        checkId(id);
        return strings[id];
    }
    jint length = getLength(id);
    VMPtr<StringBuffer> buffer;
    if (length > SHARED_BUFFER_TEXT) {
        buffer = StringBuffer::make(length);
    } else {
        Statics& s = S();
        if (s.shared == nullptr) s.shared = StringBuffer::make();
        buffer = s.shared;
    }
    getString(id, buffer);
    return buffer->toString();
}

void Translation::decodeAll() {
    if (strings != nullptr || pool == nullptr) return;
    VMPtr<VMArray<String*>> texts = VMArray<String*>::create(count);
    for (jint i = count - 1; i >= 0; --i)
        texts[i] = getString(i, StringBuffer::make(getLength(i)))->toString();
    strings = texts;
    pool = nullptr;
    offsets16 = nullptr;
    offsets32 = nullptr;
}

}  // namespace wren::util::text
