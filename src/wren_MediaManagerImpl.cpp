#include "wren_MediaManagerImpl.h"

#include <algorithm>

#include "VMTry.h"
#include "java_lang_StringBuffer.h"
#include "java_lang_Throwable.h"
#include "javax_microedition_media_Manager.h"
#include "javax_microedition_media_control_VolumeControl.h"
#include "wren_Resources.h"
#include "wren_platform_marl_WrenMarl.h"

WREN_DEFINE_CLASS(wren::MediaManagerImpl, "wren.MediaManagerImpl", wren::MediaManager,
                  java::lang::Runnable)

namespace wren {

using java::lang::Object;
using java::lang::String;
using javax::microedition::media::Player;
using javax::microedition::media::control::VolumeControl;

namespace {

// Runs a step on a player; whatever it throws is silence for that sound.
template <class F>
void quietly(F&& step) {
    vmTryCatch(std::forward<F>(step), [](const VMPtr<java::lang::Throwable>&) {});
}

}  // namespace

void MediaManagerImpl::ctor(const VMPtr<WrenCanvas>& owner, jint n) {
    Object::ctor();
    masterVolume = 1025;
    canvas = owner;
    channelCount = n;
    players = VMArray<Object*>::create(n);
    pending = VMArray<jint>::create(n);
    current = VMArray<jint>::create(n);
    volumes = VMArray<jint>::create(n);
    priorities = VMArray<jint>::create(n);
    for (jint i = 0; i < n; ++i) {
        pending[i] = -1;
        current[i] = -1;
        volumes[i] = 100;
    }
    owner->mediaManager = this;
}

// --- MediaManager ----------------------------------------------------------------

void MediaManagerImpl::reserved() {}

jboolean MediaManagerImpl::isLoaded(jint sound) {
    return players[sound] != nullptr;
}

jboolean MediaManagerImpl::isSoundEnabled() {
    canvas->syncSettings(0);
    return !disposed && canvas->soundEnabled;
}

void MediaManagerImpl::stop(jint channel) {
    if (channel < 0) {
        for (jint c = 0; c < channelCount; ++c) stop(c);
        return;
    }
    jint c = clampChannel(channel);
    pending[c] = -1;
    if (current[c] != -1) stopPlayer(current[c]);
}

jint MediaManagerImpl::getPlayingCode(jint sound, jint flag) {
    if (!isLoaded(sound)) return -1;
    if (flag == 0) return 0;
    return isPlaying(sound) ? -1 : 0;
}

jint MediaManagerImpl::getBusyCode(jint sound, jint ignored) {
    return isPlaying(sound) ? -1 : 0;
}

void MediaManagerImpl::setSoundEnabled(jboolean enabled) {
    if (enabled == isSoundEnabled()) return;
    stop(-1);
    canvas->soundEnabled = enabled;
    canvas->syncSettings(1);
}

void MediaManagerImpl::unload(jint sound) {
    if (sound == -1) {
        for (jint s = 0; s < channelCount; ++s) unload(s);
        return;
    }
    if (!isLoaded(sound)) return;
    for (jint c = 0; c < channelCount; ++c)
        if (pending[c] == sound) pending[c] = -1;
    releasePlayer(sound);
}

void MediaManagerImpl::load(jint sound, const VMPtr<VMArray<jbyte>>& bytes, jint type,
                            jint loopCount, jint priority) {
    VMSynchronized guard(this);
    if (disposed) return;
    setPriority(sound, priority);
    createFromBytes(sound, bytes, type, loopCount);
}

void MediaManagerImpl::load(jint sound, jint prefixKind, jint ignored, const VMPtr<String>& name,
                            jint loopCount, jint priority) {
    VMSynchronized guard(this);
    if (disposed) return;
    setPriority(sound, priority);
    createFromName(sound, prefixKind, name, loopCount);
}

void MediaManagerImpl::loadResource(jint sound, jint id, jint loopCount, jint priority) {
    VMSynchronized guard(this);
    if (disposed) return;
    VMPtr<VMArray<jbyte>> data = Resources::getPackData(id);
    jint offset = Resources::getOffset(id);
    jint length = Resources::getSize(id);
    jint type = Resources::getType(id);
    setPriority(sound, priority);
    createFromPack(sound, data, offset, length, type, loopCount);
}

void MediaManagerImpl::play(jint channel, jint sound) {
    if (!isSoundEnabled() || !isLoaded(sound)) return;
    jint c = clampChannel(channel);
    jint waiting = pending[c];
    if (waiting != -1 && priorities[waiting] > priorities[sound]) return;
    jint playing = current[c];
    if (playing != -1 && isPlaying(playing) && priorities[playing] > priorities[sound]) return;
    pending[c] = sound;
}

jint MediaManagerImpl::getChannelCount() {
    return channelCount;
}

void MediaManagerImpl::setVolume(jint channel, jint volume) {
    if (channel == -1) {
        for (jint c = channelCount - 1; c >= 0; --c) setVolume(c, volume);
        return;
    }
    jint c = clampChannel(channel);
    volumes[c] = volume < 1 ? 0 : std::min(volume, jint(100));
    jint s = current[c];
    if (!disposed && s != -1 && isPlayerStarted(s)) applyVolume(s, c);
}

jint MediaManagerImpl::getVolume(jint channel) {
    return volumes[clampChannel(channel)];
}

void MediaManagerImpl::dispose() {
    VMSynchronized guard(this);
    if (disposed) return;
    disposed = true;
    unload(-1);
}

jint MediaManagerImpl::getSoundLength(jint sound) {
    return -1;
}

jboolean MediaManagerImpl::isPlaying(jint sound) {
    if (disposed) return false;
    if (sound == -1) {
        for (jint s = 0; s < channelCount; ++s)
            if (isPlayerStarted(s)) return true;
        return false;
    }
    return isPlayerStarted(sound);
}

// --- MediaManagerVideo -----------------------------------------------------------

jint MediaManagerImpl::loadVideo(jint channel) {
    clampChannel(channel);
    return -1;
}
jint MediaManagerImpl::playVideo(jint channel) {
    clampChannel(channel);
    return -1;
}
jint MediaManagerImpl::getVideoWidth() {
    return -1;
}
jint MediaManagerImpl::stopVideo(jint channel) {
    clampChannel(channel);
    return 0;
}
jint MediaManagerImpl::pauseVideo(jint channel) {
    clampChannel(channel);
    return 0;
}
VMPtr<VMArray<jbyte>> MediaManagerImpl::getVideoSnapshot() {
    return VMArray<jbyte>::create(0);
}
jint MediaManagerImpl::getVideoHeight() {
    return -1;
}
jint MediaManagerImpl::showVideo(jint channel) {
    return clampChannel(channel);
}
jint MediaManagerImpl::hideVideo(jint channel) {
    clampChannel(channel);
    return 0;
}
jint MediaManagerImpl::seekVideo(jint channel) {
    clampChannel(channel);
    return -1;
}
jint MediaManagerImpl::setVideoPosition(jint channel) {
    return clampChannel(channel);
}
void MediaManagerImpl::releaseVideo() {}
jint MediaManagerImpl::setVideoSize(jint channel) {
    return clampChannel(channel);
}

// --- the frame's tick ------------------------------------------------------------

void MediaManagerImpl::run() {
    VMSynchronized guard(this);
    if (!isSoundEnabled()) return;
    for (jint ch = 0; ch < channelCount; ++ch) {
        jint s = pending[ch];
        if (s == -1) continue;
        stop(ch);
        applyVolume(s, ch);
        restart(s);
        current[ch] = s;
    }
}

// --- steps -----------------------------------------------------------------------

VMPtr<String> MediaManagerImpl::getMimeType(jint type) {
    return type == 1 ? WREN_LIT("audio/x-wav") : WREN_LIT("audio/midi");
}

jint MediaManagerImpl::effectiveVolume(jint channel) {
    return (volumes[channel] * masterVolume) >> 10;
}

void MediaManagerImpl::applyVolume(jint sound, jint channel) {
    VMPtr<Player> player = playerOf(sound);
    if (player == nullptr) return;
    quietly([&] {
        VMPtr<VMArray<javax::microedition::media::Control*>> controls = player->getControls();
        for (jint i = controls->length - 1; i >= 0; --i) {
            VMPtr<VolumeControl> volume = vmCast<VolumeControl>(controls[i]);
            if (volume != nullptr) {
                volume->setLevel(effectiveVolume(channel));
                return;
            }
        }
    });
}

void MediaManagerImpl::restart(jint sound) {
    VMPtr<Player> player = playerOf(sound);
    quietly([&] {
        player->setMediaTime(0);
        player->start();
    });
}

void MediaManagerImpl::stopPlayer(jint sound) {
    VMPtr<Player> player = playerOf(sound);
    if (player != nullptr) quietly([&] { player->stop(); });
}

void MediaManagerImpl::releasePlayer(jint sound) {
    VMPtr<Player> player = playerOf(sound);
    if (player != nullptr)
        quietly([&] {
            onPlayer(player);
            player->close();
        });
    players[sound] = nullptr;
}

jboolean MediaManagerImpl::isPlayerStarted(jint sound) {
    VMPtr<Player> player = playerOf(sound);
    return player != nullptr && player->getState() == Player::STARTED;
}

void MediaManagerImpl::setPriority(jint sound, jint priority) {
    priorities[sound] = priority;
}

jint MediaManagerImpl::getSoundState(jint sound) {
    VMPtr<Player> player = playerOf(sound);
    if (disposed || player == nullptr) return SOUND_NONE;
    switch (player->getState()) {
        case Player::STARTED:
            return SOUND_STARTED;
        case Player::CLOSED:
            return SOUND_CLOSED;
        case Player::PREFETCHED:
            return SOUND_PREFETCHED;
        case Player::REALIZED:
            return SOUND_REALIZED;
        case Player::UNREALIZED:
            return SOUND_UNREALIZED;
        default:
            return SOUND_NONE;
    }
}

jint MediaManagerImpl::getChannelState(jint channel) {
    jint s = current[clampChannel(channel)];
    return s != -1 && getSoundState(s) == SOUND_STARTED ? 1 : 2;
}

VMPtr<String> MediaManagerImpl::getResourcePrefix(jint kind) {
    return WREN_LIT("");
}

void MediaManagerImpl::onPlayer(const VMPtr<Player>& player) {}

VMPtr<Player> MediaManagerImpl::createPlayer(const VMPtr<VMArray<jbyte>>& data, jint offset,
                                             jint length, const VMPtr<String>& contentType) {
    return platform::marl::WrenMarl::createPlayer(data, offset, length, contentType);
}

VMPtr<Player> MediaManagerImpl::createPlayer(const VMPtr<String>& locator) {
    return javax::microedition::media::Manager::createPlayer(locator);
}

void MediaManagerImpl::createFromPack(jint sound, const VMPtr<VMArray<jbyte>>& data, jint offset,
                                      jint length, jint type, jint loopCount) {
    quietly([&] {
        VMPtr<Player> player = createPlayer(data, offset, length, getMimeType(type));
        players[sound] = player;
        setupPlayer(player, loopCount);
    });
}

void MediaManagerImpl::createFromBytes(jint sound, const VMPtr<VMArray<jbyte>>& bytes, jint type,
                                       jint loopCount) {
    quietly([&] {
        VMPtr<Player> player = createPlayer(bytes, 0, bytes->length, getMimeType(type));
        players[sound] = player;
        setupPlayer(player, loopCount);
    });
}

void MediaManagerImpl::createFromName(jint sound, jint prefixKind, const VMPtr<String>& name,
                                      jint loopCount) {
    VMPtr<String> prefix = getResourcePrefix(prefixKind);
    VMPtr<String> locator = prefix;
    if (name != nullptr && name->length() > 0) {
        VMPtr<java::lang::StringBuffer> joined = java::lang::StringBuffer::make(prefix);
        joined->append(name);
        locator = joined->toString();
    }
    createFromLocator(sound, locator, loopCount);
}

void MediaManagerImpl::createFromLocator(jint sound, const VMPtr<String>& locator, jint loopCount) {
    quietly([&] {
        VMPtr<Player> player = createPlayer(locator);
        players[sound] = player;
        setupPlayer(player, loopCount);
    });
}

void MediaManagerImpl::setupPlayer(const VMPtr<Player>& player, jint loopCount) {
    onPlayer(player);
    player->realize();
    player->setLoopCount(loopCount);
    player->prefetch();
}

jint MediaManagerImpl::clampChannel(jint channel) {
    return std::max(jint(0), std::min(channel, channelCount - 1));
}

VMPtr<Player> MediaManagerImpl::playerOf(jint sound) {
    VMPtr<Object> held = players[sound];
    return vmCast<Player>(held);
}

}  // namespace wren
