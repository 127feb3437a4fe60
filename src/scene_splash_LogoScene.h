// scene.splash.LogoScene: the first scene of every run. One animated logo
// on a white game area, placed by the size of its frame, for three seconds
// of scene time; then the first text table again, font 1, and the menu in
// its language-choice state (scene 11).
//
// The scene manager loads it at once (not one step a frame), so the logo is
// complete before the first frame shows it.
#pragma once

#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "ui_Scene.h"

namespace scene::splash {

class LogoScene : public ui::Scene {
    WREN_CLASS(LogoScene, ui::Scene)
public:
    WREN_PLAIN_OBJECT()

    // The logo: animation 0 of set 1024 (pack 1, entry 0) over the graphic
    // objects 1027.
    static constexpr jint LOGO_GOBS = 0x403;
    static constexpr jint LOGO_ANIMATIONS = 0x400;
    static constexpr jint BACKGROUND = 0xFFFFFF;
    // Scene time the logo stays for.
    static constexpr jint SHOW_MS = 3000;
    static constexpr jint NEXT_SCENE = 11;
    static constexpr jint NEXT_FONT = 1;

    void ctor();

    // Clock and animation; from SHOW_MS of scene time on, the change to the
    // menu (and nothing more of this update).
    void update() override;
    void loadData() override;
    void loadObjects() override;
    void loadUi() override;
    void paintLayer(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;

    // Where a logo frame w by h pixels is placed: the layer's anchor is its
    // frame's right edge, so x is 240 - (240 - w) / 2 (truncating toward 0).
    static jint logoX(jint w);
    static jint logoY(jint h);
};

}  // namespace scene::splash
