// wren.util.text.Translation: the texts of one language, from one text
// table entry: a u16 count, then each text as an s16 byte length and its
// bytes in modified UTF-8. The texts stay encoded in one byte pool and are
// decoded on every request, until decodeAll keeps them as Strings and drops
// the bytes. An id outside the table throws ArrayIndexOutOfBoundsException;
// one past its end names the table's entry and file when it came from a
// pack file (Resources::throwMissingPart): a table shorter than the game
// needs.
//
// Built only by the resource front end's loadTranslation. The shared
// buffer of getString(int) makes the class one-thread (the game thread's).
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_DataInputStream.h"
#include "java_lang_String.h"
#include "java_lang_StringBuffer.h"

namespace wren::util::text {

class Translation : public virtual java::lang::Object {
    WREN_CLASS(Translation, java::lang::Object, (offsets16, VMArray<jchar>), (pool, VMArray<jbyte>),
               (strings, VMArray<java::lang::String*>), (offsets32, VMArray<jint>))
    WREN_PLAIN_OBJECT()
public:
    jint count = 0;
    // The entry the table was read from, set by loadTranslation; 0 for none.
    jint resourceId = 0;

    // Entries up to this size keep 16-bit offsets.
    static constexpr jint MAX_SHORT_OFFSETS_SIZE = 0xFFFF;
    // Texts up to this many bytes decode through the shared buffer.
    static constexpr jint SHARED_BUFFER_TEXT = 128;

    struct Statics {
        VMStaticPtr<java::lang::StringBuffer> shared;
    };
    WREN_STATICS(Statics)

    // Reads the table of `size` bytes at `in`'s position and leaves the
    // stream after the last text. A size larger than the stream has
    // available is EOFException before anything is allocated; a size too
    // small for the count, or a length that is negative or runs past the
    // entry, is an IOException; the stream's own failures pass as they are.
    void ctor(const VMPtr<java::io::DataInputStream>& in, jint size);

    virtual void decodeAll();
    // Inserts text id at pos, shifting what stood from pos on.
    virtual VMPtr<java::lang::StringBuffer> insertString(jint id,
                                                         const VMPtr<java::lang::StringBuffer>& sb,
                                                         jint pos);
    virtual VMPtr<java::lang::StringBuffer> appendString(jint id,
                                                         const VMPtr<java::lang::StringBuffer>& sb);
    // Empties sb, then puts text id in it.
    virtual VMPtr<java::lang::StringBuffer> getString(jint id,
                                                      const VMPtr<java::lang::StringBuffer>& sb);
    virtual VMPtr<java::lang::String> getString(jint id);

    jint getOffset(jint id);
    // In bytes.
    jint getLength(jint id);

    // Inserts the characters of data[offset .. offset + length) into sb
    // from pos on. 1-byte forms are U+0001..U+007F (and 0x00), 2-byte forms
    // lead with 0xC0..0xDF, 3-byte forms with 0xE0..0xEF; continuation bytes
    // are taken without looking at their top bits. Any other lead byte is
    // U+0000 on its own, and so is a sequence cut off by the end of the
    // range, which ends it: nothing past the range is read. A range outside
    // data is ArrayIndexOutOfBoundsException before anything is inserted.
    static void decodeUtf8(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length,
                           const VMPtr<java::lang::StringBuffer>& sb, jint pos);

private:
    void checkId(jint id);
};

}  // namespace wren::util::text
