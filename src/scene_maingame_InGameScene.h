// scene.maingame.InGameScene: the play field, one heat of a stage played on
// one map cell, or, after the stage's last heat, its results. It takes the
// stage parameters main.Main keeps (threeHeats, shortGoal, the three heat
// kinds, the heat index; 3 for the results) when it is built, loads in the
// scene's three phases, and then runs one play mode a frame:
//   0 intro pages (the tutorial cell only), 1 play (with the pause menu and
//   options while modal), 3 results, 4 heat won (the player scrolls off),
//   5 game over.
// A won heat stores the next parameters and asks for a fresh play field;
// the results, the pause menu's leave and the game over leave for the map,
// the home or the scene of the stage kind. Progress is saved before every
// such change.
//
// The field: the main screen's layer 0 is the lane, layers 1 and 2 the
// scrolling background; the player and ten monsters are entity screens the
// scene updates and paints itself (at the scene's layer, over the markers,
// in the x order of fieldOrder); the HUD holds the goal bars, the steering
// pad and knob, the two meters, the hearts and the pause panel with its
// cursor.
//
// Game thread only.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "scene_maingame_InGameObject.h"
#include "ui_Heapsort.h"
#include "ui_MsgBoard.h"
#include "ui_Scene.h"
#include "ui_Screen.h"
#include "wren_graphics_CollisionBox.h"

namespace scene::maingame {

class InGameScene : public ui::Scene {
    WREN_CLASS(InGameScene, ui::Scene, (player, InGameObject),
               // One marker layer per field object, under the objects.
               (markerScreen, ui::Screen), (hud, ui::Screen), (stageParams, VMArray<jint>),
               // HUD boxes of the two goal bars at full height.
               (barRectA, VMArray<jint>), (barRectB, VMArray<jint>),
               (monsters, VMArray<InGameObject*>),
               // Rows {object index, sort key}: 0..9 the monsters, 10 the
               // player, sorted by x, highest first, every frame.
               (fieldOrder, VMArray<jint, 2>), (sorter, ui::Heapsort),
               // Rest place of the steering knob: the pad's centre.
               (iconCentre, VMArray<jint>), (msgBoard, ui::MsgBoard),
               // The steering pad's box.
               (hudBox, wren::graphics::CollisionBox))
public:
    WREN_PLAIN_OBJECT()

    static constexpr jint MONSTER_COUNT = 10;
    static constexpr jint PLAYER_ROW = 10;
    static constexpr jint TUTORIAL_CELL = 130;
    static constexpr jint FINAL_CELL = 29;

    static constexpr jint MODE_INTRO = 0;
    static constexpr jint MODE_PLAY = 1;
    static constexpr jint MODE_RESULTS = 3;
    static constexpr jint MODE_WON = 4;
    static constexpr jint MODE_GAME_OVER = 5;

    static constexpr jint PAUSE_CLOSED = 0;
    static constexpr jint PAUSE_MENU = 2;
    static constexpr jint PAUSE_OPTIONS = 3;
    static constexpr jint PAUSE_GAME_OVER = 5;

    // Scenes asked for.
    static constexpr jint PLAY_FIELD_SCENE = 34;
    static constexpr jint MAP_SCENE = 43;
    static constexpr jint HOME_SCENE = 44;
    static constexpr jint STAGE_KIND_SCENE = 45;

    // The gauges are full at this many milliseconds.
    static constexpr jint CHARGE_FULL = 3000;

    struct Statics {
        // By background index 0..13 (heat kind k: 2k and 2k + 1).
        VMStaticPtr<VMArray<jint>> backgroundGobIds;
        VMStaticPtr<VMArray<jint>> backgroundAnimSetIds;
        // [heat kind][monster column].
        VMStaticPtr<VMArray<jint, 2>> monsterGobIds;
        VMStaticPtr<VMArray<jint, 2>> monsterAnimSetIds;
        // Text tables in the order the options panel cycles them.
        VMStaticPtr<VMArray<jint>> languages;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    jboolean shortGoal = false;
    jint backgroundIndex = 0;
    // Scratch x of the rules: the player's or a pushed object's new x.
    jint targetX = 0;
    // While modal in play: 2 pause menu, 3 options; 5 the game-over board;
    // 0 once the pause is closed.
    jint pauseState = 0;
    // Per-frame drift of monsters showing idle pose 2, and pose 1.
    jint fastSpeed = 0;
    jint slowSpeed = 0;
    // Milliseconds since the results' second chest opened.
    jint rewardTimer = 0;
    jint boostStep = 0;
    jint goalCount = 0;
    jint goalTarget = 0;
    // Highlighted options entry: box 5, 6, 8 or 9 of the panel; 0 at open.
    jint pageIndex = 0;
    jint cellIndex = 0;
    jint menuIndex = 0;
    jboolean introShown = false;
    jint playMode = 0;
    // Dash reserve and special gauge, 0 to CHARGE_FULL milliseconds.
    jint chargeA = 0;
    jint chargeB = 0;
    // The player steers sideways in this frame.
    jboolean frameFlag = false;
    // The player's per-frame vertical move.
    jint scrollSpeed = 0;
    // The intro text shown is introIndex + 46.
    jint introIndex = 0;
    // This frame's sideways steering (positive to the left) and vertical
    // move (negative up).
    jint scrollAccum = 0;
    jint scrollDelta = 0;
    // HUD layer of the pause and options panel; the next is its cursor.
    jint hintLayer = 0;

    // Reads the stage parameters and the cell; the goal, the music, the
    // play mode; the results pay the stage's reward here.
    void ctor();

    void loadObjects() override;
    void update() override;
    void loadData() override;
    // The markers, then the player and the monsters in fieldOrder.
    void paintLayer(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    // Opens the pause menu, only while playing and not modal, and not
    // while the player's defeat plays (the game over must run: it gives
    // the hit points back).
    void onPause() override;
    void loadUi() override;

    // Options panel step (pause sub-state 3).
    virtual void touchOptions();
    // Pause menu step (pause sub-state 2).
    virtual void touchPauseMenu();
    // Sets the panel up for pauseState (or closes the pause for 0).
    virtual void openPanel();
    // The monster of slot moreData - 8.
    virtual void spawnMonster();
    // Charges both gauges by the frame time unless the player holds, and
    // shows them on the HUD meters.
    virtual void chargeGauges();

    // The heat's speeds from the frame time of the frame it runs in.
    void setHeatSpeeds();
    void stepShortGoal();
    void stepLongGoal();
    // The short-goal heat's steering pad, action and pause buttons.
    void steerByPad();
    // The long-goal heat's steering pad (with the dash), special and pause
    // buttons.
    void steerByTouch();
    // Scrolls the background, counts a long goal's distance, draws the
    // bars and wins the heat at the goal; leaves the lane in rect.
    void advanceField();
    void scrollField();
    void moveWithField(const VMPtr<InGameObject>& o);
    void recycleIfGone(const VMPtr<InGameObject>& o);
    void refreshDrawOrder();
    void stepResults();
    void markCurrentCellKnown();
    jboolean allListedCellsKnown();
    void advanceIntro();

    // The stage's heat kind now playing: stageParams[stageParams[5] + 2].
    jint heatKind();
    // Music track of a heat kind, -1 for none.
    static jint musicTrack(jint kind);

private:
    // The steps both modes start with: the screen made with room for
    // capacity layers (step 0, then step first), a background picked for
    // the heat kind, and two more of its tiles. False for any other step.
    bool loadFieldStep(jint capacity, jint first);
    void introStep();
    // The won heat's end: the next heat's parameters, or the results, or
    // the final story.
    void endHeat();
    void gameOverChosen();
    void recordDefeat(const VMPtr<InGameObject>& o);
    void awardExperience(const VMPtr<InGameObject>& o);
    void refreshHearts();
    // Redraws goal bar A (region 0) and B (region 1) at goalCount of
    // goalTarget, and the bar marker at B's lower end.
    void drawBars();
    // Moves the knob towards the pad's centre from (x, y) until the pad
    // holds it, and leaves it there.
    void placeKnob(jint x, jint y, jboolean left, jboolean up);
    void leaveStage();
    void openBoard(jboolean piece);
    // A message board with its heading and frame; the caller fills and
    // places it.
    VMPtr<ui::MsgBoard> newBoard(jint heading, jint frame);
    // The touch-selection half of both pause steps: the last candidate box
    // of the panel under the pointer; `chosen` tells whether it was a
    // release. -1 for none.
    jint touchedBox(const jint* candidates, jint count, jboolean& chosen);
    // The panel's cursor shows `animation` at the centre of the panel's box.
    void placeCursor(jint box, jint animation);
    void nextLanguage();
    // The scene's panel as a panel (null when it is none).
    VMPtr<ui::Addon> currentPanel();
};

}  // namespace scene::maingame
