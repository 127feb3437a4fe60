// scene.maingame.InMapScene: the world map. A 20 by 13 grid of cells (100
// in use) drawn as one entity screen: the map picture, an overlay per open
// area, a marker per cell, the cursor, five overlays that scroll with the
// map, the info and menu buttons, and four dialog layers (dialog picture,
// pressed-button highlight, cell icon, cell picture). The player holds the
// stylus beside the cursor to step it to a neighbouring cell, taps the
// cursor to open its cell, and starts the cell's stage from a two-button
// mode dialog; the menu leads to the settings (sound, language) or back to
// the main menu. Cells of the three outer areas are entered only once their
// area is open. Entered at story position 2 or 5, the scene only turns the
// pages of a short tutorial shown in a band down its left edge.
//
// Map space: rows run from right (row 0) to left, columns from top to
// bottom, odd columns half a cell to the left. Everything the scene places
// (cell size, dialog buttons and text rectangles) comes from the collision
// boxes of the layers' frames.
//
// The stylus is pointer 0 of the shared touch state: every handler reads
// its position, whether it is held, and whether it was released in the
// last event pass.
//
// Game thread only.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "ui_Addon.h"
#include "ui_Scene.h"

namespace scene::maingame {

class InMapScene : public ui::Scene {
    WREN_CLASS(InMapScene, ui::Scene,
               // [row][column] {x, y} of each cell's anchor in map space.
               (cellPositions, VMArray<jint, 3>),
               // [row][column] cell kind, 0 for no cell.
               (mapGrid, VMArray<jint, 2>),
               // The tutorial band's text (tutorial mode only).
               (sidePanel, ui::Addon),
               // Box 0 of the cursor frame {x, y, width, height}, then the y
               // and height of its box 1: the cell width is [2], the row
               // pitch [5].
               (cellMetrics, VMArray<jint>),
               // The cursor cell's record, taken when its dialog opens.
               (cellRecord, VMArray<jint>))
public:
    WREN_PLAIN_OBJECT()

    // Scene states.
    static constexpr jint BROWSE = 0;
    static constexpr jint STAGE_DIALOG = 1;
    static constexpr jint MENU = 2;
    static constexpr jint SETTINGS = 3;
    static constexpr jint MODE_DIALOG = 5;

    // Cursor moves: column - 1 (up on screen), column + 1, row - 1 (right
    // on screen), row + 1.
    static constexpr jint MOVE_UP = 0;
    static constexpr jint MOVE_DOWN = 1;
    static constexpr jint MOVE_RIGHT = 2;
    static constexpr jint MOVE_LEFT = 3;

    // Cell kinds with a meaning of their own.
    static constexpr jint HOME_CELL = 1;
    static constexpr jint TUTORIAL_CELL = 2;
    static constexpr jint FINAL_CELL = 24;

    // Scene ids asked for.
    static constexpr jint MAIN_MENU_SCENE = 2;
    static constexpr jint PLAY_FIELD_SCENE = 34;
    static constexpr jint HOME_SCENE = 44;
    static constexpr jint STORY_POSITION_SCENE = 45;

    // Graphics: (Gob set, animation set) pairs.
    static constexpr jint MAP_GOBS = 5121;
    static constexpr jint MAP_ANIMS = 5120;
    // The next pack holds area 0's overlay, and so on.
    static constexpr jint PACK_STEP = 1024;
    static constexpr jint MARKER_GOBS = 4099;
    static constexpr jint MARKER_ANIMS = 4096;
    static constexpr jint OVERLAY_GOBS = 4100;
    static constexpr jint OVERLAY_ANIMS = 4097;
    static constexpr jint CURSOR_GOBS = 4101;
    static constexpr jint CURSOR_ANIMS = 4098;
    static constexpr jint DIALOG_GOBS = 9217;
    static constexpr jint DIALOG_ANIMS = 9216;
    // Plus a cell's results-art family.
    static constexpr jint FAMILY_GOBS = 18441;
    static constexpr jint FAMILY_ANIMS = 18432;

    // Marker frames: 0..13 a reward kind's icon (13 also an unknown cell),
    // 14 the plain marker.
    static constexpr jint UNKNOWN_ICON = 13;
    static constexpr jint PLAIN_MARKER = 14;
    // Overlay frame of an area that is still closed.
    static constexpr jint CLOSED_OVERLAY = 5;

    // Stylus time between cursor steps, and where the timer stops counting.
    static constexpr jint STEP_MS = 200;
    static constexpr jint HOLD_CAP_MS = 1000;

    // Story positions that run the map's tutorials, and those that end
    // them.
    static constexpr jint FIRST_TUTORIAL = 2;
    static constexpr jint SECOND_TUTORIAL = 5;
    static constexpr jint FIRST_TUTORIAL_END = 4;
    static constexpr jint SECOND_TUTORIAL_END = 10;
    static constexpr jint MISSING_PIECE_STORY = 11;
    static constexpr jint TUTORIAL_STAGE = 13;
    static constexpr jint BAND_WIDTH = 80;

    static constexpr jint LANGUAGE_COUNT = 5;

    jint cursorLayer = 0;
    // The dialog picture; the highlight, cell icon and cell picture follow
    // it, the info and menu buttons come just before it.
    jint dialogLayer = 0;
    jint state = 0;
    // Open areas and cells in use, counted when the scene loaded.
    jint openAreaCount = 0;
    jint cellCount = 0;
    // Milliseconds since the last cursor step, counted while browsing.
    jint holdTimer = 0;
    // The button of each dialog the stylus was held on last.
    jint settingsChoice = 0;
    jint modeChoice = 0;
    jint confirmChoice = 0;
    jint menuChoice = 0;
    jboolean tutorialMode = false;

    // The grid; tutorial mode when the story position is 2 or 5.
    void ctor();

    // The map screen, in twelve steps after the first.
    void loadData() override;
    void loadObjects() override;
    // The tutorial band and the four-line dialog text panel.
    void loadUi() override;
    // The tutorial band over the map.
    void paintLayer(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    // Loading, or the handler of the current state.
    void update() override;

    // Switches the cell markers between plain markers and kind icons.
    virtual void toggleCellIcons();
    // The settings' sound row driven by keys: the fire key switches the
    // sound to the other setting, as the sound-on and sound-off buttons
    // do. No state of this scene calls it, nor the language row's below.
    virtual void handleSoundRowKeys();
    // Sets the dialog layers, the highlight and the panel's texts for the
    // state just entered.
    virtual void refreshStateUi();
    // The language row driven by keys: the fire key steps to the next
    // language, as the language button does.
    virtual void handleLanguageRowKeys();
    // Cell geometry, called by nothing in this scene: n cell heights (box
    // 0's height), plus half of one for an odd parity; and n row pitches.
    virtual jint staggeredOffset(jint parity, jint n);
    virtual void updateSettings();
    virtual void updateMenu();
    virtual jint pitchOffset(jint n);
    // Scrolls the map so that the cursor cell is centred, within the
    // limits the open areas set, and places the layers that move with it.
    virtual void centerOnCursor();
    virtual void updateModeChoice();
    virtual void updateConfirm();
    virtual void updateBrowse();

    // Whether the cursor may step in that direction: the neighbour is a
    // cell, and one of an open area when it lies in an outer area.
    jboolean canMove(jint direction);

    // The position of the loaded text table in the settings' cycle
    // (20480, 20481, 20483, 20482, 20484), or -1.
    static jint languageIndex();

private:
    // Stylus state of pointer 0.
    static jint pointerX();
    static jint pointerY();
    static jboolean pointerHeld();
    static jboolean pointerReleased();

    void setRect(jint x, jint y, jint width, jint height);
    // The scene's panel: four lines of dialog text.
    VMPtr<ui::Addon> linesPanel();
    void changeScene(jint id);
    void openStageDialog();
    // Line `line` of the panel: the text in box `box` of the dialog frame.
    void placeLine(jint line, const VMPtr<java::lang::String>& text, jint box);
    void clearLine(jint line);
    // The highlight, at rest, moved to the centre of box `box` of the
    // dialog frame.
    void placeHighlight(jint box);
    // Moves a layer to the centre of box `box` of the dialog frame.
    void centreOnBox(jint layer, jint box);
    // A dialog button: its box in the dialog frame, the choice it stands
    // for and the highlight frame shown over it while held.
    struct Button {
        jint box;
        jint choice;
        jint highlight;
    };
    // One frame of a dialog's buttons: the last button held on goes into
    // `choice` and is highlighted; true when the stylus was released over a
    // button.
    jboolean buttonPass(const Button* buttons, jint count, jint& choice);
    void updateTutorial();
    void applyLanguage();
    // What the settings button `choice` does.
    void actOnSetting(jint choice);
    void startStage();
};

}  // namespace scene::maingame
