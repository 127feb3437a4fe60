// Wrapped text over the fixture font, whose advances are known: A and C 3,
// B 2, '-' 3, '@' 2, W 9, space 2, any other character 2. Lines at spaces,
// '@' and '-', explicit line ends, long words, widths too narrow for one
// glyph, and painting inside the clip, with a line step of 0 too.
#include "text_support.h"
#include "wren_util_text_WrappedText.h"

using namespace gfxfw;
using namespace textfw;
using wren::util::text::RichFont;
using wren::util::text::WrappedText;
using Lines = std::vector<std::u16string>;

namespace {

constexpr jint LEFT = 4, RIGHT = 8, TOP = 16;

Lines linesOf(const VMPtr<WrappedText>& w) {
    Lines out;
    VMPtr<VMArray<java::lang::String*>> lines = w->getLines();
    for (jint i = 0; i < lines->length; ++i)
        out.push_back(u16(VMPtr<java::lang::String>(lines[i])));
    return out;
}

TEST(WrappedText, BreaksLines) {
    struct Case {
        const char16_t* text;
        jint width;
        Lines lines;
    } cases[] = {
        {u"", 10, {}},
        {u" AB", 100, {u"AB"}},
        {u"  AB", 100, {u" AB"}},
        {u"AB\r\nCA", 100, {u"AB", u"CA"}},
        {u"AB\n\nCA", 100, {u"AB", u"", u"CA"}},
        {u"AB\rCA", 100, {u"AB", u"CA"}},
        {u"AB\n", 100, {u"AB"}},
        {u"AB  \nC", 100, {u"AB  ", u"C"}},
        // At the last space: "AAA AAA" is 20 wide.
        {u"AAA AAA", 12, {u"AAA", u"AAA"}},
        {u"A A A A", 9, {u"A A", u"A A"}},
        // "well-kn" fits 15, the 'o' does not.
        {u"well-known", 15, {u"well-", u"known"}},
        // A '-' before a digit is a minus sign: the space is taken.
        {u"cost -5", 10, {u"cost", u"-5"}},
        {u"ab@cd", 8, {u"ab@", u"cd"}},
        // A word with no break is cut where it stops fitting.
        {u"AAAAA", 7, {u"AA", u"AA", u"A"}},
        // The break must lie after the line's first character.
        {u"-AAA", 7, {u"-A", u"AA"}},
        // A glyph wider than the width, and widths too narrow for any: one
        // character a line.
        {u"AWA", 5, {u"A", u"W", u"A"}},
        {u"WW", 8, {u"W", u"W"}},
        {u"AB", 0, {u"A", u"B"}},
        {u"A B\nC", -1, {u"A", u"B", u"C"}},
        {u"AB\r\n\nC", 0, {u"A", u"B", u"", u"C"}},
    };
    VMPtr<RichFont> font = fixtureFont();
    VMPtr<WrappedText> w = WrappedText::make(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)) +
                     " in " + std::to_string(c.width));
        EXPECT_EQ(w->wrap(font, jstr(c.text), c.width), jint(c.lines.size()));
        EXPECT_EQ(linesOf(w), c.lines);
        EXPECT_EQ(w->getWidth(), c.width);
    }
}

TEST(WrappedText, KeepsTheWrapAndResets) {
    VMPtr<WrappedText> w = WrappedText::make(nullptr);
    EXPECT_EQ(w->getLineCount(), 0);
    EXPECT_TRUE(w->getBreakChars() != nullptr);
    VMPtr<java::lang::String> text = jstr(u"AA AA");
    w->wrap(fixtureFont(), text, 7);
    EXPECT_TRUE(w->getText() == text);
    EXPECT_EQ(w->getLineStart(1), 3);
    EXPECT_EQ(w->getTextHeight(), 8);
    w->setLineSpacing(2);
    EXPECT_EQ(w->getLineStep(), 6);
    EXPECT_EQ(w->getTextHeight(), 12);
    for (jint line : {-1, 2})
        EXPECT_EQ(thrownName([&] { w->getLineStart(line); }),
                  "java.lang.ArrayIndexOutOfBoundsException");
    // The last break wins; with only '@' left, the space is no break.
    w->wrap(fixtureFont(), jstr(u"A@A AA"), 14);
    EXPECT_EQ(linesOf(w), (Lines{u"A@A", u"AA"}));
    w->setBreakChars(VMArray<jchar>::of({u'@'}));
    w->wrap(fixtureFont(), jstr(u"A@A AA"), 14);
    EXPECT_EQ(linesOf(w), (Lines{u"A@", u"A AA"}));

    EXPECT_EQ(thrownName([&] { w->wrap(fixtureFont(), jstr(std::u16string(32768, u'A')), 9); }),
              "java.lang.IllegalArgumentException");
    EXPECT_EQ(linesOf(w), (Lines{u"A@", u"A AA"}));

    w->reset();
    EXPECT_TRUE(w->getText() == nullptr);
    EXPECT_EQ(w->getLineCount(), 0);
    EXPECT_EQ(w->getLineSpacing(), 0);
    EXPECT_EQ(w->getBreakChars()->length, 3);
    Target target(4, 4);
    w->paint(target.g, 0, 0, TOP | LEFT);
    EXPECT_EQ(picture(target), expected(4, 4, 0, 0, {}));
}

// Lines one step apart from y, each with the caller's anchor, only those
// that reach the clip.
TEST(WrappedText, PaintsTheLinesInTheClip) {
    VMPtr<WrappedText> w = WrappedText::make(nullptr);
    w->wrap(fixtureFont(), jstr(u"A\nBA\nC"), 20);
    w->setLineSpacing(1);  // step 5
    Target target(12, 16);
    w->paint(target.g, 1, 1, TOP | LEFT);
    EXPECT_EQ(picture(target), expected(12, 16, 1, 1,
                                        {"rg", "r ", "rr", "", "", "b rg", "b r ", "g rr", "", "",
                                         "yy", "y ", "yy"}));

    // Right-aligned to x + width by each line's ink; a clip from 5 on
    // leaves the first line out.
    w->wrap(fixtureFont(), jstr(u"A\nBA"), 8);
    Target right(12, 12);
    right.g->setClip(0, 5, 12, 7);
    w->paint(right.g, 0, 0, TOP | RIGHT);
    EXPECT_EQ(picture(right), expected(12, 12, 4, 5, {"b rg", "b r ", "g rr"}));
}

TEST(WrappedText, ALineStepOfZeroDrawsEveryLineAtOneHeight) {
    VMPtr<WrappedText> w = WrappedText::make(nullptr);
    w->wrap(fixtureFont(), jstr(u"W\nA"), 20);
    w->setLineSpacing(-4);
    ASSERT_EQ(w->getLineStep(), 0);
    Target target(8, 8), both(8, 8);
    w->paint(target.g, 1, 1, TOP | LEFT);
    RichFont::make(fixtureFont())->drawString(both.g, jstr(u"W"), 1, 1, TOP | LEFT);
    fixtureFont()->drawString(both.g, jstr(u"A"), 1, 1, TOP | LEFT);
    EXPECT_EQ(picture(target), picture(both));
    // Above the clip there is no line to skip to.
    Target above(8, 8);
    w->paint(above.g, 1, -6, TOP | LEFT);
    EXPECT_EQ(picture(above), expected(8, 8, 0, 0, {}));
}

TEST(WrappedText, GlyphOpacityWhilePainting) {
    VMPtr<RichFont> font = fixtureFont();
    VMPtr<WrappedText> w = WrappedText::make(nullptr);
    w->setGlyphAlpha(64);
    w->wrap(font, jstr(u"A"), 20);
    Target target(6, 6, kWhite);
    w->paint(target.g, 0, 0, TOP | LEFT);
    EXPECT_EQ(font->getGlyphAlpha(), 64);
    uint32_t p = target.at(0, 0);
    EXPECT_GT((p >> 8) & 0xFF, 0x80u);  // mostly the white below
}

}  // namespace
