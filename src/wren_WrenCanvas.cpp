#include "wren_WrenCanvas.h"

#include "VMTry.h"
#include "java_lang_Throwable.h"
#include "javax_microedition_rms_RecordStore.h"
#include "wren_MediaManagerImpl.h"

WREN_DEFINE_ABSTRACT_CLASS(wren::WrenCanvas, "wren.WrenCanvas", java::lang::Runnable)

namespace wren {

using java::lang::StringBuffer;
using javax::microedition::lcdui::Image;
using javax::microedition::rms::RecordStore;

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

// --- settings, saved data and pixel services ---------------------------------------

void WrenCanvas::syncSettings(jint phase) {
    VMSynchronized guard(this);
    if (settingsLoaded) return;
    settingsLoaded = true;
    soundEnabled = true;
    vibrationEnabled = true;
    backlightEnabled = true;
}

VMPtr<VMArray<jbyte>> WrenCanvas::loadData(jint id) {
    VMPtr<RecordStore> store;
    VMPtr<VMArray<jbyte>> result = vmTryCatch(
        [&]() -> VMPtr<VMArray<jbyte>> {
            store = RecordStore::openRecordStore(java::lang::String::valueOf(id), false);
            if (store == nullptr) return nullptr;
            jint n = store->getNumRecords();
            // Summed in 64 bits: records whose sizes add up past one array
            // can't be handed back, and count as unreadable.
            jlong total = 0;
            for (jint k = 1; k <= n; ++k) total += store->getRecordSize(k);
            if (total > 0x7FFFFFFF) return nullptr;
            VMPtr<VMArray<jbyte>> bytes = VMArray<jbyte>::create(jint(total));
            jint offset = 0;
            for (jint k = 1; k <= n; ++k) offset += store->getRecord(k, bytes, offset);
            return bytes;
        },
        [](const VMPtr<java::lang::Throwable>&) -> VMPtr<VMArray<jbyte>> { return nullptr; });
    if (store != nullptr)
        vmTryCatch([&] { store->closeRecordStore(); }, [](const VMPtr<java::lang::Throwable>&) {});
    return result;
}

void WrenCanvas::getRGB(const VMPtr<Image>& img, const VMPtr<VMArray<jint>>& rgb, jint offset,
                        jint scanlength, jint x, jint y, jint width, jint height) {
    clinit();
    img->getRGB(rgb, offset, scanlength, x, y, width, height);
}

VMPtr<Image> WrenCanvas::createRGBImage(const VMPtr<VMArray<jint>>& rgb, jint width, jint height,
                                        jboolean processAlpha) {
    clinit();
    return Image::createRGBImage(rgb, width, height, processAlpha);
}

jboolean WrenCanvas::hasAlpha(const VMPtr<VMArray<jint>>& argb) {
    clinit();
    for (jint i = argb->length - 1; i >= 0; --i)
        if ((uint32_t(argb[i]) >> 28) != 0xF) return true;
    return false;
}

jint WrenCanvas::getAlphaKind(const VMPtr<VMArray<jint>>& argb, jint offset, jint scanlength,
                              jint x, jint y, jint width, jint height) {
    clinit();
    jint kind = 1;
    for (jint j = 0; j < height; ++j) {
        for (jint i = 0; i < width; ++i) {
            uint32_t nibble = uint32_t(argb[offset + (y + j) * scanlength + x + i]) >> 28;
            if (nibble == 0)
                kind = 2;
            else if (nibble != 0xF)
                return 3;
        }
    }
    return kind;
}

VMPtr<VMArray<jbyte>> WrenCanvas::toIndexedPixels(const VMPtr<Image>& image,
                                                  const VMPtr<VMArray<jint>>& palette) {
    clinit();
    jint w = image->getWidth(), h = image->getHeight();
    VMPtr<VMArray<jint>> pixels = VMArray<jint>::create(w * h);
    image->getRGB(pixels, 0, w, 0, 0, w, h);
    VMPtr<VMArray<jbyte>> out = VMArray<jbyte>::create(w * h);
    jint n = 0, keyIndex = -1;
    for (jint i = 0; i < pixels->length; ++i) {
        jint p = pixels[i];
        jint j = 0;
        while (j < n && palette[j] != p) ++j;
        if (j == n) {
            palette[n] = p;
            if ((p & 0xF0F0F0) == 0xF000F0) keyIndex = n;
            n += 1;
        }
        out[i] = jbyte(j);
    }
    if (keyIndex != -1) {
        jint first = palette[0];
        palette[0] = palette[keyIndex];
        palette[keyIndex] = first;
        jbyte key = jbyte(keyIndex);
        for (jint i = 0; i < out->length; ++i) {
            if (out[i] == 0)
                out[i] = key;
            else if (out[i] == key)
                out[i] = 0;
        }
    }
    return out;
}

}  // namespace wren
