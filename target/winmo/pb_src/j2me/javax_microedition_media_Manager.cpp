#include "javax_microedition_media_Manager.h"

#include "com_nimbault_marl_media_Player.h"
#include "java_lang_IllegalArgumentException.h"

WREN_DEFINE_CLASS(javax::microedition::media::Manager, "javax.microedition.media.Manager")

namespace javax::microedition::media {

using java::lang::String;

namespace {

struct Code {
    jint code;
    const char* name;
};

// Content types as the host numbers them; 9 and 10 are not used.
constexpr Code kContentTypes[] = {
    {2, "audio/x-wav"}, {3, "audio/x-caf"}, {4, "audio/mpeg"},          {5, "audio/aac"},
    {6, "audio/midi"},  {7, "audio/mp4"},   {8, "audio/x-ms-wma"},      {11, "audio/vnd.qcelp"},
};

constexpr Code kProtocols[] = {
    {2, "device"},
    {3, "http"},
    {4, "file"},
    {5, "x-jar"},
};

template <size_t N>
jint codeOf(const VMPtr<String>& text, const Code (&table)[N]) {
    if (text == nullptr) return 1;
    for (const Code& entry : table)
        if (text->equals(entry.name)) return entry.code;
    return 0;
}

}  // namespace

void Manager::staticInit() {
    S().MIDI_DEVICE_LOCATOR = WREN_LIT("device://midi");
    S().TONE_DEVICE_LOCATOR = WREN_LIT("device://tone");
}

VMPtr<Player> Manager::createPlayer(const VMPtr<String>& locator) {
    clinit();
    if (locator == nullptr)
        java::lang::IllegalArgumentException::throwNew(
            WREN_LIT("Manager.createPlayer passed null locator"));
    return com::nimbault::marl::media::Player::make(locator);
}

VMPtr<Player> Manager::createPlayer(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length,
                                    const VMPtr<String>& contentType) {
    clinit();
    return com::nimbault::marl::media::Player::make(data, offset, length, contentType);
}

jint Manager::getContentTypeCode(const VMPtr<String>& contentType) {
    clinit();
    return codeOf(contentType, kContentTypes);
}

VMPtr<String> Manager::getContentTypeName(jint code) {
    clinit();
    for (const Code& entry : kContentTypes)
        if (entry.code == code) return String::make(entry.name);
    return nullptr;
}

jint Manager::getProtocolCode(const VMPtr<String>& protocol) {
    clinit();
    return codeOf(protocol, kProtocols);
}

jint Manager::getLocatorProtocolCode(const VMPtr<String>& locator) {
    clinit();
    jint colon = locator->indexOf(':');
    if (colon < 0) return 0;
    return getProtocolCode(locator->substring(0, colon));
}

VMPtr<String> Manager::getLocatorPath(const VMPtr<String>& locator) {
    clinit();
    jint colon = locator->indexOf(':');
    if (colon < 0) return nullptr;
    return locator->substring(colon + 1);
}

}  // namespace javax::microedition::media
