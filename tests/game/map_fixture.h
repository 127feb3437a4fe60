// The small content the map suites run on, built with the pack builder into
// the process's program folder. Its geometry is the sample content's (box i
// has type i everywhere):
//
// Pack 4: 4096 cell markers over 4099: frame k (0..14) is Gob k, a 20 x 20
//   square drawn at {-25, 10} from the cell's anchor (k 14: the plain white
//   marker). 4097 map overlays over 4100: frame i one 20 x 20 square at
//   {-20, 0}; frame 5 the grey "area closed" one. 4098 over 4101: frame 0 the
//   cursor, a 30 x 40 outline at {-30, 0} with boxes 0 and 1 both
//   {-30, 0, 30, 40} (cell width 30, row pitch 40); frames 1 and 2 the info
//   button on and off, 40 x 40 at {0, -40} with box 0 over it; frame 3 the
//   menu button, 40 x 40 at {-40, -40} with box 0 over it.
// Pack 5: 5120 over 5121, frame 0 the map picture: 13 x 20 tiles of 30 x 40
//   in a checkerboard, at {-390, 0} (map space 390 x 800).
// Packs 6, 7, 8: the overlay of open area 0, 1, 2: one 20 x 20 square each.
// Pack 9: the dialogs, 9216 over 9217 drawn at (120, 160): frame 0 empty;
//   1 the stage dialog, 2 the menu, 3 the mode dialog, 7..11 the settings
//   (one per language index, each with a flag square of its own colour),
//   all a 200 x 280 panel at {-100, -140} with the boxes kStageBoxes,
//   kMenuBoxes, kModeBoxes and kSettingsBoxes; 4, 5, 6 the highlights, a
//   20 x 20 square centred on the anchor.
// Pack 18: family f (0..8), 18432 + f over 18441 + f: frames 0 and 1, a
//   60 x 60 square at {-60, -30} (frame 1 in the family's own colour).
// Pack 19: seven copies of one glyph set (printable ASCII, 6 x 8 cells), in
//   black ink but font 2 (the tutorial band's) in white.
// Pack 20: five text tables of 128 texts; text n of entry e reads "e:n".
#pragma once

#include <cstdint>
#include <string>

namespace wrentest::map {

struct Box {
    int x, y, width, height;
};

// Relative to the dialog layer's anchor (120, 160).
constexpr Box kStageBoxes[7] = {{70, -130, 20, 260}, {40, -130, 20, 260}, {-10, -60, 20, 20},
                                {-90, -30, 60, 60},  {10, -130, 20, 260}, {-90, 60, 40, 70},
                                {-90, -130, 40, 70}};
constexpr Box kMenuBoxes[4] = {
    {70, -130, 20, 260}, {20, -120, 40, 240}, {-30, -120, 40, 240}, {-80, -120, 40, 240}};
constexpr Box kModeBoxes[2] = {{10, -120, 60, 240}, {-70, -120, 60, 240}};
// Boxes 2 and 3 are placeholders of no size; 7 is where the highlight
// rests.
constexpr Box kSettingsBoxes[10] = {{70, -130, 20, 260}, {40, -130, 20, 260}, {0, 0, 0, 0},
                                    {0, 0, 0, 0},        {10, -130, 20, 260}, {-40, 60, 40, 70},
                                    {-40, -130, 40, 70}, {-15, -15, 30, 30},  {-90, 60, 40, 70},
                                    {-90, -130, 40, 70}};

// The text of text `id` in the table at pack-20 entry `entry`.
std::u16string textOf(int entry, int id);

// A colour as it reads back from an RGB565 surface.
constexpr uint32_t readBack(uint32_t rgb) { return 0xFF000000u | (rgb & 0xF8FCF8u); }

// Colours of the content.
constexpr uint32_t kMapLight = 0x8CC47C;
constexpr uint32_t kMapDark = 0x346C34;
constexpr uint32_t kCursorColour = 0xFFFF00;
constexpr uint32_t kPlainMarker = 0xFFFFFF;
constexpr uint32_t kInfoColour = 0x20A0FF;
constexpr uint32_t kMenuColour = 0xFF8020;
constexpr uint32_t kPanelColour = 0xE3CA83;
constexpr uint32_t kHighlight4 = 0xFF0000;
constexpr uint32_t kHighlight5 = 0x0000FF;
constexpr uint32_t kHighlight6 = 0x00FF00;
constexpr uint32_t kClosedOverlay = 0x808080;
// The colour of marker frame k (0..13).
uint32_t markerColour(int k);

// Writes the packs (again) and closes whatever pack the front end had open.
void installMapPacks();

}  // namespace wrentest::map
