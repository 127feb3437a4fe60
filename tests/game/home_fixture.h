// The small content the home-scene suites run on, built with the pack
// builder into the process's program folder: the home pictures (pack 3:
// animation set 3072 over graphic-object set 3074, backdrop 3073), the
// player's figure (pack 10), seven glyph sets (pack 19) and a text table (pack 20) whose text n
// reads "t<n>".
//
// The layout is the sample content's (frames of 3072 around their anchor;
// box i has type i, a zero box keeps a number free):
//   0..5, 7, 8  tab bar: five 30 x 64 tabs at {-120, -160 + 64i}, boxes 0..4
//               the same; frame i lights tab i - 1, 7 and 8 tabs 1 and 2
//   9           row cursor 30 x 80 at {-30, -40}: box 1 minus {-30, 0, 30, 40},
//               box 2 plus {-30, -40, 30, 40}
//   11          home picture 240 x 320 with a window {-72, 96, 96, 64} for the
//               figure: box 2 {-60, 60, 30, 40}, stat names
//               3 {30, -120, 30, 60}, 4 {-10, -120, 30, 60}, 5 {-50, -120, 30, 60}
//   12          collection frame 160 x 200 at {-80, -100}
//   13          bar 180 x 40 at {-90, 100}, box 0 the same (W = 180)
//   14          item cursor 60 x 40 at {-60, 100} (w = 60), or nothing
//   15, 16      views 3 and 2, 200 x 280 at {-100, -140}: rows 0 {30, -100, 30,
//               200}, 1 {-10, ...}, 2 {-50, ...}; names 3 {30, -130, 30, 30},
//               4 {-10, ...}, 5 {-50, ...}; value 6 {-90, -120, 30, 100}
//   21          cap 10 x 40 at {-100, 100}
//   23          top edge 240 x 32 at {-120, 0}: box 0 {70, 10, 30, 150}
//   24          bottom edge 240 x 32 at {-120, -32}: box 1 {70, -160, 30, 150}
//   the others  nothing
//   Animations 0 (frame 9) and 1 (frame 10), endless.
// Graphic objects of 3074: 29..33 the pieces (30 x 30, centred), 36..40 the
// pips (8 x 8 at their origin), the rest the tiles of the frames.
// The player's figure (pack 10, all five sets alike): a 16 x 20 picture
// right of and below its anchor, twelve images, animations 0..8 endless.
// Glyphs: printable ASCII, 4 x 6 of white ink in 6 x 8 cells.
#pragma once

#include <cstdint>

namespace wrentest::home {

// Colours as they read back from an RGB565 surface (every channel already
// a multiple of what RGB565 keeps).
constexpr uint32_t kHomeColour = 0xFF406080;
constexpr uint32_t kTabColour = 0xFFC0C0C0;
constexpr uint32_t kTabLitColour = 0xFFF8F800;
constexpr uint32_t kViewColour = 0xFF80A0C0;
constexpr uint32_t kBarColour = 0xFF603000;
constexpr uint32_t kCursorColour = 0xFFF88000;
constexpr uint32_t kRowCursorColour = 0xFFF80000;
constexpr uint32_t kPieceColours[5] = {0xFF800080, 0xFF008080, 0xFF808000, 0xFF0000F8, 0xFF800000};
// Pips 36..40.
constexpr uint32_t kPipColours[5] = {0xFF00F800, 0xFFF8F8F8, 0xFF808080, 0xFF0080F8, 0xFF00F8F8};
constexpr uint32_t kFigureColour = 0xFF8040F8;
constexpr uint32_t kBlack = 0xFF000000;

// Writes the packs (again) and closes whatever pack the front end had
// open. Without `cursorWidth` the item cursor's held frame (14) is empty.
void installHomePacks(bool cursorWidth = true);

}  // namespace wrentest::home
