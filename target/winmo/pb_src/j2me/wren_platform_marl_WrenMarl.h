// wren.platform.marl.WrenMarl: the few static natives the game framework
// calls besides MIDP: display orientation, the backlight keep-alive, a
// player over bytes, where a resource file lies on disk and what is wrong
// with it, and the report of a failure the game can't go on after.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "java_lang_Throwable.h"
#include "javax_microedition_media_Player.h"

namespace wren::platform::marl {

class WrenMarl : public virtual java::lang::Object {
    WREN_CLASS(WrenMarl, java::lang::Object)
public:
    // 0 none, 1..4 the orientation the display shows.
    static jint getOrientation();
    // 0 forgets the wanted orientation, 1..4 asks for one; false for another
    // code or when the device refuses or fails.
    static jboolean setOrientation(jint code);
    // False keeps the device and its backlight from timing out while the
    // game runs; true lets them time out again.
    static void setIdleTimeoutEnabled(jboolean enabled);
    // The media Manager's player over data[offset .. offset + length).
    static VMPtr<javax::microedition::media::Player> createPlayer(
        const VMPtr<VMArray<jbyte>>& data, jint offset, jint length,
        const VMPtr<java::lang::String>& contentType);
    // The file on disk that holds the resource of that absolute name
    // ("/RP1part0.rp"), for messages; the name itself when it can't be a
    // resource's.
    static VMPtr<java::lang::String> getResourceFile(const VMPtr<java::lang::String>& name);
    // Why that resource can't be opened ("no such file", "a folder, not a
    // file", "cannot open it: Permission denied"); null when it can.
    static VMPtr<java::lang::String> getResourceProblem(const VMPtr<java::lang::String>& name);
    // "wren: " + what as one line on standard error, and exit code 1 for the
    // program however it ends: the game can't go on. The exit itself is
    // still the MIDlet's to ask for. Only the program's first report is
    // written: a failure told already is not told again.
    static void reportFailure(const VMPtr<java::lang::String>& what);
    // The failure as a player reads it: from the first resource file on disk
    // its text names, what is wrong with that file, then in brackets what
    // came before (the exception classes and the messages that wrap it):
    // "/home/p/rsc/RP1part0.rp: no such file (java.lang.RuntimeException:
    // java.io.IOException)". A failure that names no such file reads as its
    // toString.
    static VMPtr<java::lang::String> describeFailure(const VMPtr<java::lang::Throwable>& failure);
    // The folder on disk that every resource file lies in, ending in "/";
    // empty when it can't be known.
    static VMPtr<java::lang::String> getResourceFolder();
};

}  // namespace wren::platform::marl
