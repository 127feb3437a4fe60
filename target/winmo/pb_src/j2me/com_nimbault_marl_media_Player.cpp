#include "com_nimbault_marl_media_Player.h"

#include "HAL_audio.h"
#include "HAL_status.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_NullPointerException.h"
#include "java_lang_Runtime.h"
#include "javax_microedition_media_Manager.h"
#include "javax_microedition_media_MediaException.h"

WREN_DEFINE_CLASS(com::nimbault::marl::media::Player, "com.nimbault.marl.media.Player",
                  javax::microedition::media::Player,
                  javax::microedition::media::control::VolumeControl)

namespace com::nimbault::marl::media {

using java::lang::IllegalStateException;
using java::lang::String;
using javax::microedition::media::Control;
using javax::microedition::media::Manager;
using javax::microedition::media::MediaException;

namespace {

// Status 1 means the host can't do it at all: the program can't go on.
void failUnlessDone(int32_t status, const char* notImplemented, const char* otherwise) {
    if (status == HAL_OK) return;
    vmFatalError(status == HAL_NOT_SUPPORTED ? notImplemented : otherwise);
}

void throwUnlessDone(int32_t status, const char* notImplemented, const VMPtr<String>& message) {
    if (status == HAL_OK) return;
    if (status == HAL_NOT_SUPPORTED) vmFatalError(notImplemented);
    MediaException::throwNew(message);
}

jint clampLevel(jint v) { return v < 0 ? 0 : v > 100 ? 100 : v; }

}  // namespace

void Player::ctor(const VMPtr<String>& locatorText) {
    Object::ctor();
    loopCount = 1;
    level = -1;
    locatorKind = Manager::getLocatorProtocolCode(locatorText);
    locator = Manager::getLocatorPath(locatorText);
    if (!HAL_isProtocolSupported(locatorKind)) MediaException::throwNew();
}

void Player::ctor(const VMPtr<VMArray<jbyte>>& bytes, jint offset, jint length,
                  const VMPtr<String>& type) {
    Object::ctor();
    loopCount = 1;
    level = -1;
    if (bytes == nullptr) java::lang::NullPointerException::throwNew();
    if (offset < 0 || offset >= bytes->length || length < 0 ||
        int64_t(offset) + length > bytes->length)
        java::lang::ArrayIndexOutOfBoundsException::throwNew();
    jint code = Manager::getContentTypeCode(type);
    if (code != HAL_CONTENT_NONE && !HAL_isContentTypeSupported(code)) MediaException::throwNew();
    data = bytes;
    dataOffset = offset;
    dataLength = length;
    contentType = type;
}

bool Player::hasNativePlayer(const char* closedMessage) {
    if (nativePlayer) return true;
    if (realized) {
        if (closedMessage) IllegalStateException::throwNew(vmStringLiteral(closedMessage));
        IllegalStateException::throwNew();
    }
    return false;
}

void Player::requireNativePlayer(const char* closedMessage, const char* unrealizedMessage) {
    if (!hasNativePlayer(closedMessage))
        IllegalStateException::throwNew(vmStringLiteral(unrealizedMessage));
}

Player::~Player() {
    if (nativePlayer) HAL_closePlayer(nativePlayer);
    nativePlayer = nullptr;
}

// --- volume control -------------------------------------------------------------------

jint Player::setVolume(jint v) {
    if (!nativePlayer || !realized) return v;
    int32_t status = HAL_setPlayerVolume(nativePlayer, v);
    if (status != HAL_OK && status != HAL_NOT_SUPPORTED)
        vmFatalError("HAL_setPlayerVolume() failed in setVolume()!");
    jint readBack = 0;
    status = HAL_getPlayerVolume(nativePlayer, &readBack);
    if (status == HAL_OK) return readBack;
    if (status == HAL_NOT_SUPPORTED) return v;
    vmFatalError("HAL_getPlayerVolume() failed in setVolume()!");
}

// The device's level, 0 to 100; 100 when it can't be read.
jint Player::deviceLevel() {
    jint device = 0;
    return HAL_getPlayerVolume(nativePlayer, &device) == HAL_OK ? clampLevel(device) : 100;
}

void Player::setMute(jboolean mute) {
    if (mute && !muted) {
        // A realized player that was never prefetched has no level yet:
        // learn the device's now, or unmuting would apply -1, that is 0, and
        // leave the player silent.
        if (level == -1 && nativePlayer && realized) level = deviceLevel();
        setVolume(0);
        muted = true;
    } else if (!mute && muted) {
        level = setVolume(level);
        muted = false;
    }
}

jboolean Player::isMuted() { return muted; }

jint Player::setLevel(jint v) {
    v = clampLevel(v);
    if (muted) return level;
    jint applied = setVolume(v);
    if (applied != level) level = applied;
    return level;
}

jint Player::getLevel() { return level; }

// --- controls -------------------------------------------------------------------------

VMPtr<Control> Player::getControl(const VMPtr<String>& controlType) {
    if (controlType == nullptr)
        java::lang::IllegalArgumentException::throwNew(
            WREN_LIT("Invalid control type passed to Player.getControl"));
    requireNativePlayer("Attempting to get controls for a closed player",
                        "Attempting to get controls for an unrealized player");
    // A name without a package is one of the standard controls.
    bool volume = controlType->indexOf('.') < 0
                      ? controlType->equals("VolumeControl")
                      : controlType->equals("javax.microedition.media.control.VolumeControl");
    if (!volume) return nullptr;
    return VMPtr<Control>(static_cast<Control*>(this));
}

VMPtr<VMArray<Control*>> Player::getControls() {
    requireNativePlayer("Attempting to get controls for a closed player",
                        "Attempting to get controls for an unrealized player");
    VMPtr<VMArray<Control*>> controls = VMArray<Control*>::create(1);
    controls[0] = static_cast<Control*>(this);
    return controls;
}

// --- life cycle -----------------------------------------------------------------------

void Player::realize() {
    if (nativePlayer) return;
    if (realized) IllegalStateException::throwNew(WREN_LIT("Attempting to realize closed player"));
    NativePlayer* created = nullptr;
    int32_t status;
    VMPtr<VMArray<jbyte>> bytes = data;
    if (bytes != nullptr) {
        jint code = Manager::getContentTypeCode(contentType);
        status = HAL_createPlayerWithData(
            &created, reinterpret_cast<const uint8_t*>(bytes->elements() + dataOffset), dataLength,
            code, hostLoops());
    } else {
        VMPtr<String> path = locator;
        const jchar* chars = path == nullptr ? nullptr : path->value->elements() + path->offset;
        jint count = path == nullptr ? 0 : path->count;
        status = HAL_createPlayerWithLocator(&created, locatorKind, chars, count, HAL_CONTENT_NONE,
                                             hostLoops());
    }
    if (status == HAL_NOT_SUPPORTED)
        vmFatalError("Unable to realize with input type: method not implemented");
    if (status != HAL_OK) MediaException::throwNew(WREN_LIT("Unable to realize player"));
    nativePlayer = created;
    realized = true;
    data = nullptr;
    locator = nullptr;
    // The clip bytes now live in the native player: let the array go at once.
    java::lang::Runtime::getRuntime()->gc();
}

void Player::prefetch() {
    if (!hasNativePlayer("Attempting to prefetch closed player")) return;
    throwUnlessDone(HAL_prefetchPlayer(nativePlayer),
                    "Unable to prefetch player: method not implemented",
                    WREN_LIT("Unable to prefetch player"));
    if (level == -1) level = deviceLevel();
}

void Player::start() {
    if (!hasNativePlayer("Attempting to start closed player")) return;
    throwUnlessDone(HAL_startPlayer(nativePlayer), "Unable to start player: method not implemented",
                    WREN_LIT("Unable to start player"));
}

void Player::stop() {
    if (!hasNativePlayer(nullptr)) return;
    throwUnlessDone(HAL_stopPlayer(nativePlayer), "Unable to stop player: method not implemented",
                    WREN_LIT("Unable to stop player"));
}

void Player::deallocate() {
    if (!hasNativePlayer("Attempting to deallocate closed player")) return;
    failUnlessDone(HAL_deallocatePlayer(nativePlayer),
                   "Unable to deallocate player: method not implemented",
                   "Unable to deallocate player!");
}

void Player::close() {
    if (!nativePlayer) return;
    int32_t status = HAL_closePlayer(nativePlayer);
    if (status == HAL_OK) {
        nativePlayer = nullptr;
        return;
    }
    // Another failure leaves the player open: a later close may succeed.
    if (status == HAL_NOT_SUPPORTED) vmFatalError("Unable to close player: method not implemented");
}

void Player::setTimeBase(const VMPtr<java::lang::Object>&) {
    vmFatalError("Player.setTimeBase is not implemented");
}

VMPtr<java::lang::Object> Player::getTimeBase() {
    vmFatalError("Player.getTimeBase is not implemented");
}

jlong Player::setMediaTime(jlong now) {
    requireNativePlayer("Attempting to call setMediaTime on a closed player",
                        "Attempting to call setMediaTime on an unrealized player");
    if (now < 0) now = 0;
    throwUnlessDone(HAL_setPlayerMediaTime(nativePlayer, now),
                    "Unable to set the player time: method not implemented",
                    WREN_LIT("Unable to set the media time for the player"));
    return getMediaTime();
}

jlong Player::getMediaTime() {
    if (!hasNativePlayer(nullptr)) return -11;
    jlong time = 0;
    failUnlessDone(HAL_getPlayerMediaTime(nativePlayer, &time),
                   "Unable to get the media time: method not implemented",
                   "Unable to get the media time!");
    return time;
}

jint Player::getState() {
    if (!nativePlayer)
        return realized ? javax::microedition::media::Player::CLOSED
                        : javax::microedition::media::Player::UNREALIZED;
    jint state = 0;
    failUnlessDone(HAL_getPlayerState(nativePlayer, &state),
                   "Unable to get the player state: method not implemented",
                   "Unable to get the player state!");
    switch (state) {
        case 0: return javax::microedition::media::Player::REALIZED;
        case 1: return javax::microedition::media::Player::PREFETCHED;
        case 2: return javax::microedition::media::Player::STARTED;
        default: return state;
    }
}

jlong Player::getDuration() {
    if (!hasNativePlayer(nullptr)) return -11;
    jlong duration = 0;
    failUnlessDone(HAL_getPlayerDuration(nativePlayer, &duration),
                   "Unable to get the player duration: method not implemented",
                   "Unable to get the player duration!");
    return duration;
}

VMPtr<String> Player::getContentType() {
    requireNativePlayer("Player.getContentType called on a closed player",
                        "Player.getContentType called on an unrealized player");
    if (contentType != nullptr) return contentType;
    jint code = 0;
    if (HAL_getPlayerContentType(nativePlayer, &code) != HAL_OK)
        vmFatalError("Unable to get the content type!");
    if (code == 0 || code == HAL_CONTENT_NONE) return nullptr;
    return Manager::getContentTypeName(code);
}

void Player::setLoopCount(jint count) {
    if (count == 0)
        java::lang::IllegalArgumentException::throwNew(
            WREN_LIT("Player.setLoopCount with an invalid count."));
    bool open = hasNativePlayer("Player.setLoopCount called on a closed player");
    loopCount = count;
    if (!open) return;
    failUnlessDone(HAL_setPlayerLoopCount(nativePlayer, hostLoops()),
                   "Unable to set the loop count for a realize player: method not implemented",
                   "Unable to set the loop count for a realize player!");
}

void Player::addPlayerListener(const VMPtr<java::lang::Object>&) {}

void Player::removePlayerListener(const VMPtr<java::lang::Object>&) {}

}  // namespace com::nimbault::marl::media
