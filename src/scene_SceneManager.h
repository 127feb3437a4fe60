// scene.SceneManager: owns the one scene that runs at a time. main.Main
// makes it on the first frame; it builds a scene from a scene id, hands it
// the frame's update and paint, forwards the pause notification and tears
// the old scene down (touch state reset, resource cache cleared) on every
// change. The scenes ask it about game actions rather than keys.
//
// Scene ids: 0 logo, 2, 10 and 11 the menu in that first state, 34 play
// field, 43 map, 44 home, 45 the scene the game's stage kind chooses. An id
// the table lacks, or a scene whose class is not part of the game, builds
// nothing: update, paint and pause then skip the missing scene until the
// next change.
//
// With the canvas tracing (the "Wren-Trace" application property), every
// scene built prints "scene <id> <class>" ("none" when nothing was built),
// which the headless runs read.
//
// Game thread only.
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "ui_Pointer.h"
#include "ui_Scene.h"
#include "wren_WrenCanvas.h"

namespace scene {

class SceneManager : public virtual java::lang::Object {
    WREN_CLASS(SceneManager, java::lang::Object, (canvas, wren::WrenCanvas))
public:
    WREN_PLAIN_OBJECT()

    // The first text table (pack 20, entry 0), loaded before any scene.
    static constexpr jint FIRST_TEXT_TABLE = 0x5000;

    // Scene ids.
    static constexpr jint LOGO_SCENE = 0;
    static constexpr jint MAIN_MENU_SCENE = 2;
    static constexpr jint SOUND_MENU_SCENE = 10;
    static constexpr jint LANGUAGE_MENU_SCENE = 11;
    static constexpr jint PLAY_FIELD_SCENE = 34;
    static constexpr jint MAP_SCENE = 43;
    static constexpr jint HOME_SCENE = 44;
    static constexpr jint STAGE_SCENE = 45;

    // What an id resolves to (sceneKindOf).
    enum : jint {
        KIND_NONE = 0,
        KIND_LOGO,
        KIND_MENU,
        KIND_PLAY_FIELD,
        KIND_MAP,
        KIND_HOME,
        KIND_STORY,
    };

    // Sound sets (main.Main::changeSoundSet): the story's and the menus'.
    static constexpr jint STORY_SOUND_SET = 4;
    static constexpr jint MENU_SOUND_SET = 5;

    // The tutorial's first stage: cell 130, column 10, row 6.
    static constexpr jint TUTORIAL_CELL = 130;
    static constexpr jint TUTORIAL_COLUMN = 10;
    static constexpr jint TUTORIAL_ROW = 6;

    struct Statics {
        VMStaticPtr<SceneManager> instance;
        // The running scene; null between the unload of one scene and the
        // creation of the next, or when an id built nothing.
        VMStaticPtr<ui::Scene> currentScene;
        // The touch helper; null after unloadScene.
        VMStaticPtr<ui::Pointer> pointer;
    };
    WREN_STATICS(Statics)

    // Id of the scene built last, kept as a signed 16-bit value; -1 before
    // the first.
    jshort sceneId = 0;

    // Stores itself as the instance, takes main.Main's canvas, makes the
    // touch helper, loads the first text table and changes to the logo.
    void ctor();

    // Game actions 0..22 (see the table in the source): whether any of the
    // action's virtual keys is pressed / held this frame; false for any
    // other number.
    virtual jboolean isActionPressed(jint action);
    virtual jboolean isActionHeld(jint action);
    // The current scene's update, then the touch helper's pass, so that a
    // scene sees each release in exactly one update.
    virtual void updateScenes();
    // Only the current scene; in game-area coordinates (the caller has
    // translated g).
    virtual void paintScenes(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    virtual void resumeScene();
    // Only action 20 (any key) answers: a release of a digit, the star, the
    // hash, or keys 15, 4 or 7.
    virtual jboolean isActionReleased(jint action);
    // For the exit: the scene unloaded, the touch helper dropped; sceneId
    // stays.
    virtual void unloadScene();
    // Next frame redraws the background; sounds stop; the old scene is
    // unloaded, the touch state reset and the old graphics released from
    // the cache; then the scene of `id` is built.
    virtual void changeScene(jint id);
    virtual void pauseScene();

    // What scene `id` resolves to when the stage kind is `stageKind`: the
    // table behind changeScene, without its side effects.
    static jint sceneKindOf(jint id, jint stageKind);

    // Prints the line when the canvas traces (see above).
    static void trace(const VMPtr<java::lang::String>& line);

private:
    // Builds the scene of sceneId into currentScene, after the music
    // change and the game-state writes that the new scene's constructor
    // reads.
    void createScene();
    // Id 45 on a stage kind that plays the tutorial stage: the cursor on
    // its cell and the stage parameters stored.
    static void prepareTutorialStage();
};

}  // namespace scene
