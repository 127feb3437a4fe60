// What every game suite's content and pictures share: the block glyph set
// the small test contents use for their fonts, the writing of a pack into
// the process's program folder, and a picture's pixels read back or kept as
// a PNG for a person to look at.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "GobSet.h"
#include "Pack.h"
#include "Png.h"
#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "support/headless_canvas.h"
#include "wren_MediaManager.h"
#include "wren_WrenCanvas.h"

namespace wrentest {

// Every call the game makes of the sound manager that loads, plays, stops
// or frees a sound, as "name args".
class RecordingSound : public virtual java::lang::Object, public virtual wren::MediaManager {
    WREN_CLASS(RecordingSound, java::lang::Object)
public:
    std::vector<std::string> calls;

    void ctor() { java::lang::Object::ctor(); }
    void note(const std::string& call) { calls.push_back(call); }

    void stop(jint channel) override { note("stop " + std::to_string(channel)); }
    void unload(jint sound) override { note("unload " + std::to_string(sound)); }
    void loadResource(jint sound, jint id, jint loopCount, jint priority) override {
        note("loadResource " + std::to_string(sound) + " " + std::to_string(id) + " " +
             std::to_string(loopCount) + " " + std::to_string(priority));
    }
    void play(jint channel, jint sound) override {
        note("play " + std::to_string(channel) + " " + std::to_string(sound));
    }
    void dispose() override { note("dispose"); }

    void reserved() override {}
    jboolean isLoaded(jint) override { return false; }
    jboolean isSoundEnabled() override { return true; }
    jint getPlayingCode(jint, jint) override { return 0; }
    jint getBusyCode(jint, jint) override { return 0; }
    void setSoundEnabled(jboolean) override {}
    void load(jint, const VMPtr<VMArray<jbyte>>&, jint, jint, jint) override { note("load"); }
    void load(jint, jint, jint, const VMPtr<java::lang::String>&, jint, jint) override {
        note("load");
    }
    jint getChannelCount() override { return 10; }
    void setVolume(jint, jint) override {}
    jint getVolume(jint) override { return 100; }
    jint getSoundLength(jint) override { return 0; }
    jboolean isPlaying(jint) override { return false; }
    jint loadVideo(jint) override { return -1; }
    jint playVideo(jint) override { return -1; }
    jint getVideoWidth() override { return 0; }
    jint stopVideo(jint) override { return -1; }
    jint pauseVideo(jint) override { return -1; }
    VMPtr<VMArray<jbyte>> getVideoSnapshot() override { return VMArray<jbyte>::create(0); }
    jint getVideoHeight() override { return 0; }
    jint showVideo(jint) override { return -1; }
    jint hideVideo(jint) override { return -1; }
    jint seekVideo(jint) override { return -1; }
    jint setVideoPosition(jint) override { return -1; }
    void releaseVideo() override {}
    jint setVideoSize(jint) override { return -1; }
};

// A graphic object cut from the sheet at (x, y), w x h, drawn at its
// offset from the layer's position.
rpack::Gob gob(int x, int y, int w, int h, int offsetX = 0, int offsetY = 0);

// What the game's main object, game state, scene manager and scenes keep in
// their statics between tests, cleared, so that a test starts as the program
// does.
void resetGameStatics();

// Ends the game thread of the canvas made last (waiting for it) and makes
// `canvas` the framework's running instance: the tests run its frames.
void stopGameThreadAndInstall(const VMPtr<wren::WrenCanvas>& canvas);

// A glyph sheet of 16 x 6 cells of 6 x 8, one per printable ASCII character
// from U+0020: a 4 x 6 block of `ink` in each cell but the space's, which
// stays clear.
rpack::IndexedImage blockFontSheet(rpack::PaletteColour ink);
// The glyph set over that sheet, at pack entry `sheetEntry`: line height 8,
// line step 10, every glyph its whole 6 x 8 cell.
rpack::GlyphSet blockGlyphSet(int sheetEntry);

// Builds the pack and writes its files into "rsc" of the program folder
// (WREN_MODULE_DIR), over any earlier ones.
void writePack(const rpack::PackContent& content);

// ARGB as it reads back, at (x, y) of a picture.
uint32_t pixelAt(const VMPtr<javax::microedition::lcdui::Image>& img, jint x, jint y);
// Writes the picture as an indexed PNG (colours past the 256th become the
// first).
void writeImagePng(const VMPtr<javax::microedition::lcdui::Image>& img, const std::string& path);

}  // namespace wrentest
