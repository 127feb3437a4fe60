#include "wren_WrenCanvas.h"

#include "VMTry.h"
#include "java_lang_Exception.h"
#include "java_io_IOException.h"
#include "java_lang_IllegalArgumentException.h"
#include "wren_AnimSet.h"
#include "wren_Resources.h"

// ---------------------------------------------------------------------------
// Resource and table loading: forwarders to the resource front end, the
// packed animation and text-record loaders, and the indexed PNG writer.
// ---------------------------------------------------------------------------

namespace wren {

using java::io::DataInputStream;
using java::lang::String;
using javax::microedition::lcdui::Image;

// --- resource forwards ------------------------------------------------------------------------

VMPtr<VMArray<jbyte>> WrenCanvas::savePack(const VMPtr<VMArray<jbyte, 2>>& entries,
                                           const VMPtr<VMArray<jbyte>>& types) {
    return Resources::savePack(entries, types);
}
VMPtr<VMArray<jbyte>> WrenCanvas::readPalette(jint id) { return Resources::readPalette(id); }
VMPtr<AnimSet> WrenCanvas::loadAnimSet(jint id) { return Resources::loadAnimSet(id); }
VMPtr<VMArray<jbyte>> WrenCanvas::getImageAsBMP(jint id) { return Resources::getImageAsBMP(id); }

jint WrenCanvas::getResourceType(jint id) { return Resources::getType(id); }
jint WrenCanvas::getResourceSize(jint id) { return Resources::getSize(id); }
jint WrenCanvas::getTransparentIndex(jint id) { return Resources::getTransparentIndex(id); }
void WrenCanvas::closePack() { Resources::closePack(); }
jboolean WrenCanvas::loadStoredPack(jint recordId) { return Resources::loadStoredPack(recordId); }

VMPtr<Image> WrenCanvas::imageFromIndexedPixels(const VMPtr<VMArray<jbyte>>& pixels, jint offset,
                                                jint stride, jint width, jint height,
                                                const VMPtr<VMArray<jbyte>>& palette,
                                                jint transparentIndex) {
    VMPtr<VMArray<jbyte>> png =
        buildIndexedPng(pixels, offset, stride, width, height, palette, transparentIndex);
    return Resources::createImage(png, 0, png->length);
}
VMPtr<Image> WrenCanvas::createImageFromData(const VMPtr<VMArray<jbyte>>& pixels, jint offset,
                                             jint stride, jint width, jint height,
                                             const VMPtr<VMArray<jbyte>>& palette,
                                             jint transparentIndex) {
    return imageFromIndexedPixels(pixels, offset, stride, width, height, palette,
                                  transparentIndex);
}
VMPtr<Image> WrenCanvas::createImageFromDataAlias(const VMPtr<VMArray<jbyte>>& pixels, jint offset,
                                                  jint stride, jint width, jint height,
                                                  const VMPtr<VMArray<jbyte>>& palette,
                                                  jint transparentIndex) {
    return imageFromIndexedPixels(pixels, offset, stride, width, height, palette,
                                  transparentIndex);
}

VMPtr<VMArray<Gob*>> WrenCanvas::loadGobs(jint id) { return Resources::loadGobs(id); }
VMPtr<VMArray<Gob*>> WrenCanvas::loadGobs(jint id, const VMPtr<VMArray<jbyte>>& palette) {
    return Resources::loadGobs(id, palette);
}
VMPtr<Image> WrenCanvas::getImage(jint id) { return Resources::getImage(id); }
VMPtr<Image> WrenCanvas::getImage(jint id, const VMPtr<VMArray<jbyte>>& palette) {
    return Resources::getImage(id, palette);
}
VMPtr<VMArray<jbyte>> WrenCanvas::getData(jint id) { return Resources::getData(id); }
VMPtr<DataInputStream> WrenCanvas::openStream(jint id) { return Resources::openStream(id); }
jboolean WrenCanvas::loadPack(const VMPtr<DataInputStream>& in) { return Resources::loadPack(in); }

void WrenCanvas::loadPackedAnimation(jint id) {
    if (findAnimSet(id) >= 0) return;
    animSetKeys = appendShort(animSetKeys, jshort(id));
    jint rows = animSetKeys->length;
    vmTryCatch(
        [&] {
            levelStream = Resources::openStream(id);
            // Every count read below needs at least one byte an item, so a
            // count beyond the resource's size is refused before allocating.
            readPackedSet(Resources::getSize(id));
        },
        [](const VMPtr<java::lang::Exception>&) {});
    levelStream = nullptr;
    padAnimTables(rows);
}

void WrenCanvas::padAnimTables(jint rows) {
    auto ints = [&](VMPtr<VMArray<jint, 2>> t) {
        while (t == nullptr || t->length < rows) t = appendIntRow(t, VMArray<jint>::create(0));
        return t;
    };
    auto chars = [&](VMPtr<VMArray<jchar, 2>> t) {
        while (t == nullptr || t->length < rows) t = appendCharRow(t, VMArray<jchar>::create(0));
        return t;
    };
    animTable = ints(animTable);
    stepData = ints(stepData);
    frameTable = ints(frameTable);
    framePieces = ints(framePieces);
    boxData = ints(boxData);
    frameBoxIndex = chars(frameBoxIndex);
    boxInfo = chars(boxInfo);
    durationTable = chars(durationTable);
    VMPtr<VMArray<jbyte, 2>> flags = stepFlags;
    while (flags == nullptr || flags->length < rows)
        flags = appendByteRow(flags, VMArray<jbyte>::create(0));
    stepFlags = flags;
}

namespace {
void checkCount(jint count, jint size) {
    if (count < 0 || count > size)
        java::io::IOException::throwNew(WREN_LIT("animation set: count beyond its data"));
}
}  // namespace

void WrenCanvas::readPackedSet(jint size) {
    levelStream->readByte();
    // Animations.
    jint animations = levelStream->readUnsignedShort();
    checkCount(animations, size);
    VMPtr<VMArray<jint>> anims = VMArray<jint>::create(animations);
    animTable = appendIntRow(animTable, anims);
    jint steps = 0;
    for (jint i = 0; i < animations; ++i) {
        jint c = readVarU8();
        anims[i] = (steps << 16) | c;
        steps += c;
    }
    for (jint i = 0; i < animations; ++i) anims[i] = anims[i] | ((readVarS8() & 0x3F) << 10);
    // Steps.
    checkCount(steps, size);
    VMPtr<VMArray<jbyte>> flags = VMArray<jbyte>::create(steps);
    VMPtr<VMArray<jint>> data = VMArray<jint>::create(steps);
    stepFlags = appendByteRow(stepFlags, flags);
    stepData = appendIntRow(stepData, data);
    for (jint i = 0; i < steps; ++i) {
        jint v = readVarU8();
        flags[i] = jbyte(v);
        data[i] = v >> 8;
    }
    for (jint i = 0; i < steps; ++i) data[i] = data[i] | (readVarU8() << 22);
    for (jint i = 0; i < steps; ++i) data[i] = data[i] | ((readVarS8() & 0x3FF) << 12);
    for (jint i = 0; i < steps; ++i) data[i] = data[i] | ((readVarS8() & 0x3FF) << 2);
    // Frames.
    jint frames = levelStream->readUnsignedShort();
    checkCount(frames, size);
    VMPtr<VMArray<jchar>> boxIndex = VMArray<jchar>::create(frames);
    VMPtr<VMArray<jint>> frameRow = VMArray<jint>::create(frames);
    frameBoxIndex = appendCharRow(frameBoxIndex, boxIndex);
    frameTable = appendIntRow(frameTable, frameRow);
    jint pieces = 0;
    for (jint i = 0; i < frames; ++i) {
        jint c = readVarU8();
        frameRow[i] = (pieces << 16) | c;
        pieces += c;
    }
    // Pieces: transforms four to a number, then the three passes.
    checkCount(pieces, size);
    VMPtr<VMArray<jint>> pieceRow = VMArray<jint>::create(pieces);
    framePieces = appendIntRow(framePieces, pieceRow);
    jint group = 0;
    for (jint i = 0; i < pieces; ++i) {
        if ((i & 3) == 0) group = readVarU8();
        pieceRow[i] = (group >> (6 - 2 * (i & 3))) & 3;
    }
    for (jint i = 0; i < pieces; ++i) pieceRow[i] = pieceRow[i] | (readVarU8() << 22);
    for (jint i = 0; i < pieces; ++i) pieceRow[i] = pieceRow[i] | ((readVarS8() & 0x3FF) << 12);
    for (jint i = 0; i < pieces; ++i) pieceRow[i] = pieceRow[i] | ((readVarS8() & 0x3FF) << 2);
    // Boxes.
    jint boxes = 0;
    for (jint i = 0; i < frames; ++i) {
        jint k = readVarU8();
        frameRow[i] = frameRow[i] | (k << 8);
        boxIndex[i] = jchar(boxes);
        boxes += k;
    }
    checkCount(boxes, size);
    VMPtr<VMArray<jint>> boxRow = VMArray<jint>::create(boxes);
    VMPtr<VMArray<jchar>> infoRow = VMArray<jchar>::create(boxes);
    boxData = appendIntRow(boxData, boxRow);
    boxInfo = appendCharRow(boxInfo, infoRow);
    for (jint i = 0; i < boxes; ++i) boxRow[i] = readVarS8() << 21;
    for (jint i = 0; i < boxes; ++i) boxRow[i] = boxRow[i] | ((readVarS8() & 0x7FF) << 10);
    for (jint i = 0; i < boxes; ++i) boxRow[i] = boxRow[i] | readVarU8();
    for (jint i = 0; i < boxes; ++i) infoRow[i] = jchar(readVarU8() << 6);
    for (jint i = 0; i < boxes; ++i) infoRow[i] = jchar(infoRow[i] | readVarU8());
    // Durations.
    jint durations = levelStream->readUnsignedShort();
    VMPtr<VMArray<jchar>> durationRow = VMArray<jchar>::create(durations);
    durationTable = appendCharRow(durationTable, durationRow);
    for (jint i = 0; i < durations; ++i) durationRow[i] = jchar(readVarU8());
}

void WrenCanvas::loadTexts(jint id) {
    textCache = nullptr;
    textData = nullptr;
    textOffsets = nullptr;
    if (id == -1) return;
    vmTryCatch(
        [&] {
            VMPtr<DataInputStream> in = Resources::openStream(id);
            jint n = in->readShort();
            textOffsets = VMArray<jchar>::create(n + 1);
            textData = VMArray<jbyte>::create(Resources::getSize(id) - 2 * (n + 1));
            jint p = 0;
            for (jint i = 0; i < n; ++i) {
                textOffsets[i] = jchar(p);
                jint length = in->readShort();
                if (length > 0) in->readFully(textData, p, length);
                p = (p + length) & 0xFFFF;
            }
            textOffsets[n] = jchar(p);
        },
        [](const VMPtr<java::lang::Exception>&) {});
    // A count of -1 allocates an empty offset table before failing; like
    // every other negative count it leaves no table rather than a
    // String[-1] thrown at the caller.
    if (textOffsets == nullptr || textOffsets->length == 0) {
        textOffsets = nullptr;
        textData = nullptr;
        return;
    }
    jint n = textOffsets->length - 1;
    VMPtr<VMArray<String*>> texts = VMArray<String*>::create(n);
    for (jint i = 0; i < n; ++i) {
        // Records past a failed read have no end offset: they stay empty.
        if (textData == nullptr || textOffsets[i + 1] <= textOffsets[i]) texts[i] = WREN_LIT("");
        else texts[i] = getText(i);
    }
    textCache = texts;
    textData = nullptr;
    textOffsets = nullptr;
}

jint WrenCanvas::pngCrc(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length) {
    return ~crc32(-1, data, offset, length);
}

void WrenCanvas::updatePaletteCrc(const VMPtr<VMArray<jbyte>>& palette) {
    VMPtr<VMArray<jbyte>> type = VMArray<jbyte>::of({'P', 'L', 'T', 'E'});
    jint n = palette->length - 4;
    jint crc = ~crc32(crc32(-1, type, 0, 4), palette, 0, n);
    for (jint i = 0; i < 4; ++i) palette[n + i] = jbyte(crc >> (24 - 8 * i));
}

VMPtr<VMArray<jbyte>> WrenCanvas::buildIndexedPng(const VMPtr<VMArray<jbyte>>& pixels,
                                                  jint offset, jint stride, jint width,
                                                  jint height,
                                                  const VMPtr<VMArray<jbyte>>& palette,
                                                  jint transparentIndex) {
    clinit();
    // A stored block holds at most 32768 bytes of rows, so one row must fit.
    if (width < 1 || width > 32767 || height < 1 || palette->length < 4 ||
        transparentIndex > 255)
        java::lang::IllegalArgumentException::throwNew(WREN_LIT("indexed PNG: bad size"));
    jint row = width + 1;
    jint rowsPerBlock = 32768 / row;
    jint blocks = (height - 1) / rowsPerBlock + 1;
    jint paletteBytes = palette->length - 4;
    jint size = 75 + blocks * 5 + paletteBytes + row * height +
                (transparentIndex >= 0 ? transparentIndex + 13 : 0);
    VMPtr<VMArray<jbyte>> out = VMArray<jbyte>::create(size);
    Statics& s = S();
    VMPtr<VMArray<jbyte>> savedBuffer = s.outBuffer;
    jint savedPosition = s.outPosition;
    s.outBuffer = out;
    s.outPosition = 0;
    auto endChunk = [&](jint start) {  // start: where the chunk's type begins
        writeInt(pngCrc(out, start, S().outPosition - start));
    };
    vmTryFinally(
        [&] {
            writeInt(0x89504E47);
            writeInt(0x0D0A1A0A);
            writeInt(13);
            jint start = S().outPosition;
            writeInt(0x49484452);  // IHDR
            writeInt(width);
            writeInt(height);
            writeByte(8);
            writeByte(3);
            writeByte(0);
            writeByte(0);
            writeByte(0);
            endChunk(start);
            writeInt(paletteBytes);
            start = S().outPosition;
            writeInt(0x504C5445);  // PLTE
            for (jint i = 0; i < paletteBytes; ++i) writeByte(palette[i]);
            endChunk(start);
            if (transparentIndex >= 0) {
                writeInt(transparentIndex + 1);
                start = S().outPosition;
                writeInt(0x74524E53);  // tRNS
                for (jint i = 0; i < transparentIndex; ++i) writeByte(0xFF);
                writeByte(0);
                endChunk(start);
            }
            writeInt(row * height + blocks * 5 + 6);
            start = S().outPosition;
            writeInt(0x49444154);  // IDAT
            writeShort(0x78DA);
            jint adler = 1;
            for (jint b = 0, y = 0; b < blocks; ++b) {
                jint rows = b < blocks - 1 ? rowsPerBlock : height - rowsPerBlock * (blocks - 1);
                writeByte(b == blocks - 1 ? 1 : 0);
                writeShortLE(rows * row);
                writeShortLE(~(rows * row));
                for (jint r = 0; r < rows; ++r, ++y) {
                    jint rowStart = S().outPosition;
                    writeByte(0);
                    jint from = offset + y * stride;
                    for (jint x = 0; x < width; ++x) writeByte(pixels[from + x]);
                    adler = adler32(adler, out, rowStart, row);
                }
            }
            writeInt(adler);
            endChunk(start);
            writeInt(0);
            writeInt(0x49454E44);  // IEND
            writeInt(jint(0xAE426082));
        },
        [&] {
            S().outBuffer = savedBuffer;
            S().outPosition = savedPosition;
        });
    return out;
}

}  // namespace wren
