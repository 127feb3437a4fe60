// wren.WrenCanvas: the framework's canvas. For now it holds the static
// services that the resource readers share with the rest of the framework
// (the byte-buffer serializer over two static buffers and decimal formatting
// into a StringBuffer) and what the resource front end, the graphic objects
// and the sound manager use of it: the settings switches with their hook,
// saved data by id and the pixel helpers. The game loop, key state and the
// canvas's other services join it here.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_Runnable.h"
#include "java_lang_StringBuffer.h"
#include "javax_microedition_lcdui_Image.h"
#include "javax_microedition_lcdui_game_GameCanvas.h"

namespace wren {

class MediaManagerImpl;

class WrenCanvas : public javax::microedition::lcdui::game::GameCanvas,
                   public virtual java::lang::Runnable {
    WREN_CLASS(WrenCanvas, javax::microedition::lcdui::game::GameCanvas,
               (mediaManager, MediaManagerImpl))
public:
    // The serializer's buffers and positions, set directly by their users.
    // Neither side compares a position with its buffer's length: the users
    // keep every access inside the buffer, and one that strays is stopped by
    // the array's own index check.
    struct Statics {
        VMStaticPtr<VMArray<jbyte>> outBuffer;
        jint outPosition = 0;
        VMStaticPtr<VMArray<jbyte>> inBuffer;
        jint inPosition = 0;
        // The canvas every static service of the framework reaches.
        VMStaticPtr<WrenCanvas> instance;
    };
    WREN_STATICS(Statics)

    static void writeByte(jint v);
    static void writeShort(jint v);    // big-endian
    static void writeInt(jint v);      // big-endian
    static void writeShortLE(jint v);  // low byte first
    static void writeIntLE(jint v);    // lowest byte first
    static void writeBoolean(jboolean b);
    static jbyte readByte();  // sign-extended
    static jint readInt();    // big-endian
    static jboolean readBoolean();

    // Inserts the decimal form of `value` at `position`: a minus sign first
    // when negative (it does not count as a digit), then the digits, padded
    // with zeros in front to `minDigits` when the magnitude is below 65536;
    // larger magnitudes are never padded.
    static void insertNumber(const VMPtr<java::lang::StringBuffer>& sb, jint value, jint minDigits,
                             jint position);
    static void appendNumber(const VMPtr<java::lang::StringBuffer>& sb, jint value, jint minDigits);
    static void appendNumber(const VMPtr<java::lang::StringBuffer>& sb, jint value);

    // --- settings, saved data and pixel services ---------------------------
    // What the resource front end, the graphic objects and the sound manager
    // use of the canvas. The sound manager sets mediaManager to itself.

    // The settings switches, all off until the first syncSettings turns
    // them on.
    jboolean settingsLoaded = false;
    jboolean soundEnabled = false;
    jboolean vibrationEnabled = false;
    jboolean backlightEnabled = false;

    // The settings hook: callers pass 0 before they read or change a switch
    // and 1 after they changed one. This version loads the settings once
    // (every switch on) and does not read the phase.
    virtual void syncSettings(jint phase);
    // The bytes saved under `id`: the records of the store named by the
    // decimal id, concatenated in record order; null when the store does not
    // exist or any record can't be read.
    virtual VMPtr<VMArray<jbyte>> loadData(jint id);

    // The image's getRGB.
    static void getRGB(const VMPtr<javax::microedition::lcdui::Image>& img,
                       const VMPtr<VMArray<jint>>& rgb, jint offset, jint scanlength, jint x,
                       jint y, jint width, jint height);
    static VMPtr<javax::microedition::lcdui::Image> createRGBImage(const VMPtr<VMArray<jint>>& rgb,
                                                                   jint width, jint height,
                                                                   jboolean processAlpha);
    // True when some pixel's alpha is below 0xF0, scanning from the last.
    static jboolean hasAlpha(const VMPtr<VMArray<jint>>& argb);
    // 1 when every pixel of the rectangle is opaque (alpha 0xF0 and up), 2
    // when the others are clear (alpha below 0x10), 3 at the first pixel in
    // between. Pixel (i, j) is argb[offset + (y + j) * scanlength + x + i].
    static jint getAlphaKind(const VMPtr<VMArray<jint>>& argb, jint offset, jint scanlength, jint x,
                             jint y, jint width, jint height);
    // The image's pixels, row by row from the top, as indices into
    // `palette`, which is filled with each new colour in order of first
    // appearance. The last colour to appear that looks like the magenta key
    // ((c & 0xF0F0F0) == 0xF000F0) is moved to index 0. The palette must
    // have room for every colour of the image.
    static VMPtr<VMArray<jbyte>> toIndexedPixels(
        const VMPtr<javax::microedition::lcdui::Image>& image, const VMPtr<VMArray<jint>>& palette);
};

}  // namespace wren
