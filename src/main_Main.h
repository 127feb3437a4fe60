// main.Main: the game's one main object, reached through its static
// `instance`. Its statics hold what the whole game shares (the canvas, the
// scene manager, the game state, the resource cache, the random generator,
// the rich font and the current text table). It gives the game canvas its
// per-frame update and paint and its pause and resume hooks, draws the
// frame around the scenes (a black screen with the 240 by 320 game area
// centred on it, and a splash or loading panel while a scene loads), and
// serves the scenes fonts (seven cached glyph sets), sound (one sound
// manager: music on channel 1, the sound set's tune on channel 2) and the
// language's text table.
//
// Game thread only, but for releaseSound and cleanUp, which the MIDlet may
// also call from the UI thread; the VM lock keeps them apart.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "wren_Gob.h"
#include "wren_MediaManager.h"
#include "wren_WrenCanvas.h"
#include "wren_util_FastRandom.h"
#include "wren_util_text_RichFont.h"
#include "wren_util_text_Translation.h"
#include "main_Game.h"
#include "scene_SceneManager.h"
#include "ui_ResManager.h"

namespace main {

class Main : public virtual java::lang::Object {
    WREN_CLASS(Main, java::lang::Object, (soundManager, wren::MediaManager),
               // Per font index, the glyph set in the cache, or null.
               (glyphSets, VMArray<wren::Gob*, 2>))
public:
    WREN_PLAIN_OBJECT()

    static constexpr jint GAME_AREA_WIDTH = 240;
    static constexpr jint GAME_AREA_HEIGHT = 320;
    static constexpr jint FONT_COUNT = 7;
    static constexpr jint FIRST_GLYPH_SET = 0x4C00;
    static constexpr jint FONT_TRANSFORM = 5;  // the sprite transform TRANS_ROT90
    static constexpr jint SPLASH_GOBS = 0x806;
    static constexpr jint PANEL_ANIM_SET = 0x803;
    static constexpr jint PANEL_GOBS = 0x808;
    static constexpr jint PANEL_VALUE_GOBS = 0x805;
    static constexpr jint SOUND_CHANNELS = 10;
    static constexpr jint TUNE_SOUND = 4;
    static constexpr jint MUSIC_CHANNEL = 1;
    static constexpr jint TUNE_CHANNEL = 2;
    static constexpr jint PLAY_FIELD_SCENE = 34;

    struct Statics {
        VMStaticPtr<Main> instance;
        VMStaticPtr<wren::WrenCanvas> canvas;
        // Made by the first update.
        VMStaticPtr<scene::SceneManager> sceneManager;
        VMStaticPtr<Game> game;
        VMStaticPtr<ui::ResManager> resManager;
        VMStaticPtr<wren::util::FastRandom> random;
        VMStaticPtr<wren::util::text::RichFont> richFont;
        VMStaticPtr<wren::util::text::Translation> translation;
        // Per font index, the resource id of the glyph set in the cache
        // (-1 none).
        VMStaticPtr<VMArray<jint>> loadedGlyphSetIds;
        jint gameAreaX = 0;
        jint gameAreaY = 0;
        // Resource id of the loaded text table.
        jint language = 0;
        // Resource id of the glyph set the rich font draws with.
        jint currentGlyphSetId = 0;
        // The sound set initSound loaded (-1 none).
        jint soundSet = 0;
        // The next paint clears the screen, draws the splash or the loading
        // panel and centres the game area again.
        jboolean redrawBackground = false;
        // Set at start and by cleanUp; the menu reads and clears it.
        jboolean firstMenuVisit = false;
        // Nothing has been drawn behind the scenes since start.
        jboolean splashPending = false;
        jboolean soundOn = false;
        // Music was started on its channel and not stopped.
        jboolean musicPlaying = false;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // A loading-panel state stored by showLoadingPanel waits for the next
    // background redraw during a load.
    jboolean panelPending = false;
    // Between onPause and onResume: update does nothing.
    jboolean paused = false;
    jboolean panelFlag2 = false;
    // Frame 1 of the panel instead of frame 0.
    jboolean panelFlag1 = false;
    // Graphics drawn at the panel's boxes of kind 3, 1 and 0.
    jint panelValue5 = 0;
    jint panelValue4 = 0;
    jint panelValue3 = 0;
    // Kind of the panel box that gets the marker.
    jint panelValue6 = 0;

    // Stores the canvas and itself in the statics, makes the random
    // generator (seeded with the time), the game state, the resource cache
    // and the rich font, and attaches font 0. No sound manager yet.
    void ctor(const VMPtr<wren::WrenCanvas>& gameCanvas);

    // One frame: nothing while paused; the first frame makes the scene
    // manager, every later one runs it.
    virtual void update();
    virtual void showLoadingPanel(jboolean flag1, jboolean flag2, jint value3, jint value4,
                                  jint value5, jint value6);
    virtual void onResume();
    virtual void stopMusic();
    // With the play field current, the scene pauses again (the player
    // resumes it from its menu); elsewhere the tune starts again.
    virtual void onResumeComplete();
    virtual void changeSoundSet(jint set);
    virtual void playCueSound();
    // Empties the font's cache slot; the rich font keeps the set it holds.
    virtual void releaseFont(jint index);
    // Stops everything and turns sound off; the manager stays.
    virtual void disableSound();
    // Makes the sound manager on first use, loads the set's tune (sets 0
    // to 5; another set loads nothing) and turns sound on.
    virtual void initSound(jint set);
    virtual void stopSounds();
    // Attaches the glyph set of the font index (0 to 6) to the rich font,
    // loading it into the cache when it is not there.
    virtual void selectFont(jint index);
    // On a frame after a redraw request: black screen, splash or loading
    // panel while loading, game area centred. Always: the scenes, inside
    // the game area.
    virtual void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    // Disposes of the sound manager.
    virtual void releaseSound();
    // Loads the glyph set of the font index into the cache unless it is
    // there.
    virtual void loadResources(jint index);
    virtual void playMusic(jint sound);
    // {flag1, flag2, value3, value4, value5, value6}, booleans as 0 or 1.
    virtual VMPtr<VMArray<jint>> getLoadingPanelState();
    virtual void loadLanguage(jint id);
    virtual void onPause();

    // The shared generator's next int without its sign, never negative.
    static jint randomInt();
    // Drops the shared objects and resets the statics, for the exit. The
    // instance and the sound manager stay (callers release sound first).
    static void cleanUp();

private:
    void paintBackground(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    void paintLoadingPanel(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint w, jint h);
};

}  // namespace main
