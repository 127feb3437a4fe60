// java.lang.Character: the Latin-1 letter classes, case mapping and digit
// values, at the edges of each range.
#include <gtest/gtest.h>

#include "java_lang_Character.h"

using java::lang::Character;

namespace {

TEST(CharacterTables, ClassesAndCaseAtEveryRangeEdge) {
    struct Case {
        jchar ch;
        bool lower, upper, digit;
        jchar toLower, toUpper;
        jint digit36;
    };
    const Case cases[] = {
        {u'/', false, false, false, u'/', u'/', -1},
        {u'0', false, false, true, u'0', u'0', 0},
        {u'9', false, false, true, u'9', u'9', 9},
        {u':', false, false, false, u':', u':', -1},
        {u'@', false, false, false, u'@', u'@', -1},
        {u'A', false, true, false, u'a', u'A', 10},
        {u'Z', false, true, false, u'z', u'Z', 35},
        {u'[', false, false, false, u'[', u'[', -1},
        {u'`', false, false, false, u'`', u'`', -1},
        {u'a', true, false, false, u'a', u'A', 10},
        {u'z', true, false, false, u'z', u'Z', 35},
        {u'{', false, false, false, u'{', u'{', -1},
        {u'\xAA', false, false, false, u'\xAA', u'\xAA', -1},
        {u'\xB5', false, false, false, u'\xB5', u'\xB5', -1},
        {u'\xBF', false, false, false, u'\xBF', u'\xBF', -1},
        {u'\xC0', false, true, false, u'\xE0', u'\xC0', 9},  // letters count by their low five bits
        {u'\xC1', false, true, false, u'\xE1', u'\xC1', 10},
        {u'\xD6', false, true, false, u'\xF6', u'\xD6', 31},
        {u'\xD7', false, false, false, u'\xD7', u'\xD7', -1},
        {u'\xD8', false, true, false, u'\xF8', u'\xD8', 33},
        {u'\xDE', false, true, false, u'\xFE', u'\xDE', -1},  // 39: past radix 36
        {u'\xDF', true, false, false, u'\xDF', u'\xDF', -1},
        {u'\xE0', true, false, false, u'\xE0', u'\xC0', 9},
        {u'\xF6', true, false, false, u'\xF6', u'\xD6', 31},
        {u'\xF7', false, false, false, u'\xF7', u'\xF7', -1},
        {u'\xF8', true, false, false, u'\xF8', u'\xD8', 33},
        {u'\xFE', true, false, false, u'\xFE', u'\xDE', -1},
        {u'\xFF', true, false, false, u'\xFF', u'\xFF', -1},
        {u'\x100', false, false, false, u'\x100', u'\x100', -1},
        {u'\x101', false, false, false, u'\x101', u'\x101', -1},
        {u'\x660', false, false, false, u'\x660', u'\x660', -1},  // no digits beyond ASCII
        {u'\xFF21', false, false, false, u'\xFF21', u'\xFF21', -1},
        {u'\x0', false, false, false, u'\x0', u'\x0', -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "U+" << std::hex << unsigned(c.ch));
        EXPECT_EQ(Character::isLowerCase(c.ch), c.lower);
        EXPECT_EQ(Character::isUpperCase(c.ch), c.upper);
        EXPECT_EQ(Character::isDigit(c.ch), c.digit);
        EXPECT_EQ(unsigned(Character::toLowerCase(c.ch)), unsigned(c.toLower));
        EXPECT_EQ(unsigned(Character::toUpperCase(c.ch)), unsigned(c.toUpper));
        EXPECT_EQ(Character::digit(c.ch, 36), c.digit36);
    }
}

TEST(CharacterTables, DigitAgainstTheRadix) {
    struct Case {
        jchar ch;
        jint radix, expected;
    };
    const Case cases[] = {
        {u'a', 10, -1},   {u'9', 9, -1},  {u'9', 10, 9},  {u'1', 2, 1},   {u'2', 2, -1},
        {u'f', 16, 15},   {u'F', 16, 15}, {u'g', 16, -1}, {u'z', 36, 35}, {u'\xC0', 10, 9},
        {u'\xC0', 9, -1}, {u'0', 1, -1},  {u'0', 37, -1}, {u'0', -2, -1}, {u'5', 36, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "U+" << std::hex << unsigned(c.ch) << std::dec << " radix " << c.radix);
        EXPECT_EQ(Character::digit(c.ch, c.radix), c.expected);
    }
}

}  // namespace
