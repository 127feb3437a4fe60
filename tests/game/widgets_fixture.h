// The small content the widget suites run on, built with the pack builder
// into the process's program folder: the shared UI set (pack 9: animation
// set 0x2400 over graphic-object set 0x2401), glyph set 0 (pack 19, 0x4C00)
// and text table 0x5000 (pack 20).
//
// UI frames, relative to their anchor (box t = a box of type t):
//   0      panel, 100 x 80 at {-50, -40}: box 0 {-40, -30, 80, 60},
//          box 1 {-45, -35, 90, 70}
//   2, 4   highlights, 20 x 20 red at {-10, -10}
//   12     list cell, 40 x 200 brown at {-40, 0}: box 5 the same; box 3
//          {-100, -30, 20, 20} and box 4 {-70, -30, 20, 20} the arrows
//   13     selected cell, blue, as 12
//   14, 15 page markers, 8 x 8 green at {-24, -12}: above the cell
//   16     board, 200 x 280 beige at {-100, -140}: box 0 {65, -130, 30, 260},
//          box 1 {-50, -130, 110, 260}, box 2 {0, 0, 0, 0}, button boxes
//          3 {-95, 20, 35, 110} and 4 {-95, -130, 35, 110}
//   17     as 16 with box 2 {0, 0, 10, 10}: a height
//   5      a list's cell in board mode: as 12 in beige (none without
//          boardCell below)
//   the others empty.
//   Animations 0..4 show frame 0, endlessly.
// Texts: 0 "", 1 "ONE" .. 5 "FIVE", 6 "TITLE", 7 "A SIX", 8 "SEVEN", 9 a
// line of 45 characters (270 pixels).
// Glyphs: every printable ASCII character, 4 x 6 ink in a 6 x 8 cell; line
// height 8, line step 10.
#pragma once

#include <cstdint>

namespace wrentest::widgets {

constexpr int kUiAnimSet = 0x2400;
constexpr int kUiGobs = 0x2401;

// Colours of the sheet as they read back from an RGB565 surface.
constexpr uint32_t kPanelColour = 0xFFE0C880;  // 0xE3CA83
constexpr uint32_t kCellColour = 0xFF804418;   // 0x82451A
constexpr uint32_t kHighlightColour = 0xFFF80000;
constexpr uint32_t kMarkerColour = 0xFF00FC00;
constexpr uint32_t kSelectedColour = 0xFF0000F8;
constexpr uint32_t kInkColour = 0xFF000000;

// Writes the packs (again) and closes whatever pack the front end had open;
// without boardCell, frame 5 is empty.
void installWidgetPacks(bool boardCell = true);

}  // namespace wrentest::widgets
