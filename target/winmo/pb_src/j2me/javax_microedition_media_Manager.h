// javax.microedition.media.Manager: makes players for a locator or over a
// region of a byte array, and translates content types and locator
// protocols into the codes the host's players use.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_media_Player.h"

namespace javax::microedition::media {

class Manager : public virtual java::lang::Object {
    WREN_CLASS(Manager, java::lang::Object)
public:
    struct Statics {
        VMStaticPtr<java::lang::String> MIDI_DEVICE_LOCATOR;
        VMStaticPtr<java::lang::String> TONE_DEVICE_LOCATOR;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // IllegalArgumentException for a null locator; MediaException for a
    // protocol this host can't play ("file" and "x-jar" only).
    static VMPtr<Player> createPlayer(const VMPtr<java::lang::String>& locator);
    // A player over data[offset .. offset + length), not copied.
    static VMPtr<Player> createPlayer(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length,
                                      const VMPtr<java::lang::String>& contentType);

    // 1 for null, the code of a known MIME type (exact spelling), else 0.
    static jint getContentTypeCode(const VMPtr<java::lang::String>& contentType);
    // The MIME type of codes 2 to 8 and 11; null for any other.
    static VMPtr<java::lang::String> getContentTypeName(jint code);
    // 1 for null, 2 "device", 3 "http", 4 "file", 5 "x-jar", else 0.
    static jint getProtocolCode(const VMPtr<java::lang::String>& protocol);
    // The code of the text before the first ':', 0 when there is none.
    static jint getLocatorProtocolCode(const VMPtr<java::lang::String>& locator);
    // The text after the first ':', null when there is none.
    static VMPtr<java::lang::String> getLocatorPath(const VMPtr<java::lang::String>& locator);

private:
    void ctor() { Object::ctor(); }  // a static factory: never instantiated
};

}  // namespace javax::microedition::media
