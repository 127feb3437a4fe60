// scene.SceneManager: owns the one scene that runs at a time. main.Main
// makes it on the first frame; it builds a scene from a scene id, hands it
// the frame's update and paint, forwards the pause notification and tears
// the old scene down (resource cache cleared) on every change.
//
// The scenes and the touch helper are classes of their own that join the
// manager in a later change; until then every scene id builds nothing,
// which the manager already handles as it does an id it does not know:
// update, paint and pause skip the missing scene.
#pragma once

#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "wren_WrenCanvas.h"

namespace scene {

class SceneManager : public virtual java::lang::Object {
    WREN_CLASS(SceneManager, java::lang::Object, (canvas, wren::WrenCanvas))
public:
    WREN_PLAIN_OBJECT()

    // The first text table (pack 20, entry 0), loaded before any scene.
    static constexpr jint FIRST_TEXT_TABLE = 0x5000;
    static constexpr jint LOGO_SCENE = 0;

    struct Statics {
        VMStaticPtr<SceneManager> instance;
    };
    WREN_STATICS(Statics)

    // Id of the scene built last, kept as a signed 16-bit value; -1 before
    // the first.
    jshort sceneId = 0;

    // Stores itself as the instance, takes main.Main's canvas, loads the
    // first text table and changes to the logo scene.
    void ctor();

    virtual void updateScenes();
    // In game-area coordinates: the caller has translated g.
    virtual void paintScenes(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    virtual void resumeScene();
    virtual void unloadScene();
    // Next frame redraws the background; sounds stop; the old scene is
    // unloaded and its graphics released from the cache; then the scene of
    // `id` is built.
    virtual void changeScene(jint id);
    virtual void pauseScene();

private:
    void createScene();
};

}  // namespace scene
