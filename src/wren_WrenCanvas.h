// wren.WrenCanvas: the framework's canvas. For now it holds the static
// services that the resource readers share with the rest of the framework:
// the byte-buffer serializer over two static buffers and decimal formatting
// into a StringBuffer. The game loop, key state and the canvas's other
// services join it here.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_Runnable.h"
#include "java_lang_StringBuffer.h"
#include "javax_microedition_lcdui_game_GameCanvas.h"

namespace wren {

class WrenCanvas : public javax::microedition::lcdui::game::GameCanvas,
                   public virtual java::lang::Runnable {
    WREN_CLASS(WrenCanvas, javax::microedition::lcdui::game::GameCanvas)
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
};

}  // namespace wren
