// javax.microedition.media.Player: a media player's life cycle (unrealized,
// realized, prefetched, started, closed), position, duration and looping.
#pragma once

#include "javax_microedition_media_Controllable.h"

namespace javax::microedition::media {

class Player : public virtual Controllable {
    WREN_INTERFACE(Player)
public:
    static constexpr jint UNREALIZED = 100;
    static constexpr jint REALIZED = 200;
    static constexpr jint PREFETCHED = 300;
    static constexpr jint STARTED = 400;
    static constexpr jint CLOSED = 0;

    virtual void realize() = 0;
    virtual void prefetch() = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void deallocate() = 0;
    virtual void close() = 0;
    // The time base and the listeners are taken as plain objects: this
    // platform keeps neither.
    virtual void setTimeBase(const VMPtr<java::lang::Object>& master) = 0;
    virtual VMPtr<java::lang::Object> getTimeBase() = 0;
    virtual jlong setMediaTime(jlong now) = 0;
    virtual jlong getMediaTime() = 0;
    virtual jint getState() = 0;
    virtual jlong getDuration() = 0;
    virtual VMPtr<java::lang::String> getContentType() = 0;
    virtual void setLoopCount(jint count) = 0;
    virtual void addPlayerListener(const VMPtr<java::lang::Object>& listener) = 0;
    virtual void removePlayerListener(const VMPtr<java::lang::Object>& listener) = 0;
};

}  // namespace javax::microedition::media
