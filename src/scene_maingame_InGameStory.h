// scene.maingame.InGameStory: a few pages of story text over a still
// background with two animated figures. Each tap (a release of the first
// pointer) turns to the next page; the tap after the last page moves the
// game's stage kind on, saves the progress (unless the stage kind is
// already 10) and asks for scene 45, which the stage kind resolves.
//
// Page p shows text p + 82; the pages run from firstPage to firstPage +
// extraPages. The background is anchored so that its box 0 ends at the
// right edge of the game area; left of it a black band holds the text.
#pragma once

#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "ui_Scene.h"

namespace scene::maingame {

class InGameStory : public ui::Scene {
    WREN_CLASS(InGameStory, ui::Scene)
public:
    WREN_PLAIN_OBJECT()

    static constexpr jint FIRST_TEXT = 82;
    // Resource ids (pack << 10 | entry).
    static constexpr jint BACKGROUND_ANIMATIONS = 0x4400;
    static constexpr jint BACKGROUND_GOBS = 0x4401;
    static constexpr jint BACKGROUND_FRAME = 1;
    static constexpr jint FIGURE1_ANIMATIONS = 0x4807;
    static constexpr jint FIGURE1_GOBS = 0x4810;
    static constexpr jint FIGURE1_ANIMATION = 3;
    static constexpr jint FIGURE2_ANIMATIONS = 0x4805;
    static constexpr jint FIGURE2_GOBS = 0x480E;
    static constexpr jint FIGURE2_ANIMATION = 2;
    static constexpr jint TEXT_FONT = 2;
    static constexpr jint STORY_SOUND_SET = 4;
    static constexpr jint NEXT_SCENE = 45;

    // The page shown; starts at firstPage.
    jint page = 0;
    jint firstPage = 0;
    // y of the background layer (stays 0).
    jint backgroundY = 0;
    // x shift that puts the end of the background's box 0 at the right
    // edge of the game area.
    jint backgroundShift = 0;
    // Pages after the first one.
    jint extraPages = 0;

    // For the class record's factory: only the scene base.
    void ctor();
    // The story music; every font dropped but the story's own.
    void ctor(jint first, jint extra);

    virtual void setPages(jint first, jint extra);

    void update() override;
    // Steps 0 (the screen), 4 (background and its band), 3 and 2 (the
    // figures), 1 (the screen joins the scene).
    void loadData() override;
    void loadObjects() override;
    // The text panel in the band, showing the first page.
    void loadUi() override;
    void paintLayer(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;

private:
    // The band left of the background's box 0, from the box in rect:
    // starts at x 0 and is as wide as the box reaches past 240 on the left.
    void toBand();
};

}  // namespace scene::maingame
