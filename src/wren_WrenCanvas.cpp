#include "wren_WrenCanvas.h"

WREN_DEFINE_ABSTRACT_CLASS(wren::WrenCanvas, "wren.WrenCanvas", java::lang::Runnable)

namespace wren {

using java::lang::StringBuffer;

void WrenCanvas::writeByte(jint v) {
    clinit();
    Statics& s = wrenStatics_();
    s.outBuffer[s.outPosition] = jbyte(v);
    s.outPosition += 1;
}

void WrenCanvas::writeShort(jint v) {
    writeByte(v >> 8);
    writeByte(v);
}

void WrenCanvas::writeInt(jint v) {
    writeByte(v >> 24);
    writeByte(v >> 16);
    writeByte(v >> 8);
    writeByte(v);
}

void WrenCanvas::writeShortLE(jint v) {
    writeByte(v);
    writeByte(v >> 8);
}

void WrenCanvas::writeIntLE(jint v) {
    writeByte(v);
    writeByte(v >> 8);
    writeByte(v >> 16);
    writeByte(v >> 24);
}

void WrenCanvas::writeBoolean(jboolean b) {
    writeByte(b ? 1 : 0);
}

jbyte WrenCanvas::readByte() {
    clinit();
    Statics& s = wrenStatics_();
    jbyte b = s.inBuffer[s.inPosition];
    s.inPosition += 1;
    return b;
}

jint WrenCanvas::readInt() {
    jint v = jint(uint8_t(readByte())) << 24;
    v |= jint(uint8_t(readByte())) << 16;
    v |= jint(uint8_t(readByte())) << 8;
    return v | jint(uint8_t(readByte()));
}

jboolean WrenCanvas::readBoolean() {
    return readByte() != 0;
}

void WrenCanvas::insertNumber(const VMPtr<StringBuffer>& sb, jint value, jint minDigits,
                              jint position) {
    clinit();
    // The magnitude in 64 bits: the smallest int has no positive twin.
    jlong magnitude = value;
    if (magnitude < 0) {
        sb->insert(position, '-');
        position += 1;
        magnitude = -magnitude;
    }
    if (magnitude >= 65536) {
        sb->insert(position, java::lang::String::valueOf(magnitude));
        return;
    }
    // Each digit goes in front of the ones already inserted.
    jint v = jint(magnitude);
    do {
        sb->insert(position, jchar(u'0' + v % 10));
        minDigits -= 1;
        v /= 10;
    } while (v != 0);
    for (; minDigits > 0; --minDigits) sb->insert(position, jchar(u'0'));
}

void WrenCanvas::appendNumber(const VMPtr<StringBuffer>& sb, jint value, jint minDigits) {
    insertNumber(sb, value, minDigits, sb->length());
}

void WrenCanvas::appendNumber(const VMPtr<StringBuffer>& sb, jint value) {
    appendNumber(sb, value, 0);
}

}  // namespace wren
