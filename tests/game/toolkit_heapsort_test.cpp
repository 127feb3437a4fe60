// The heap sort of rows by their element 1: descending over the whole
// array, the tail-first order when only part of it is sorted, and rows that
// move as whole references.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "VMArray.h"
#include "runtime/runtime_test_support.h"
#include "ui_Heapsort.h"

namespace {

using ui::Heapsort;

// Rows {tag, key}; the tag is the row's index before sorting.
VMPtr<VMArray<jint, 2>> rowsOf(const std::vector<jint>& keys) {
    VMPtr<VMArray<jint, 2>> rows = VMArray<jint, 2>::create(jint(keys.size()), 2);
    for (jint i = 0; i < rows->length; ++i) {
        rows[i][0] = i;
        rows[i][1] = keys[size_t(i)];
    }
    return rows;
}

std::vector<jint> column(const VMPtr<VMArray<jint, 2>>& rows, jint c) {
    std::vector<jint> out;
    for (jint i = 0; i < rows->length; ++i) out.push_back(rows[i][c]);
    return out;
}

struct SortCase {
    const char* name;
    std::vector<jint> keys;
    jint n;
    std::vector<jint> sortedKeys;
};

TEST(ToolkitHeapsort, SortsRowsByTheirSecondElement) {
    const std::vector<SortCase> cases = {
        {"equal keys", {3, 9, 1, 9}, 4, {9, 9, 3, 1}},
        {"already descending", {5, 4, 3, 2, 1}, 5, {5, 4, 3, 2, 1}},
        {"ascending", {1, 2, 3, 4, 5, 6, 7, 8}, 8, {8, 7, 6, 5, 4, 3, 2, 1}},
        {"all equal", {7, 7, 7}, 3, {7, 7, 7}},
        {"negatives and extremes", {0, -5, INT32_MAX, INT32_MIN, 12}, 5,
         {INT32_MAX, 12, 0, -5, INT32_MIN}},
        {"one row", {4}, 1, {4}},
        {"empty", {}, 0, {}},
        // Only the first three are sorted (ascending: 1, 5, 8), then the
        // whole array is reversed: the tail 2, 9 comes first, reversed.
        {"part of the array", {8, 1, 5, 9, 2}, 3, {2, 9, 8, 5, 1}},
        // Nothing sorted: only reversed.
        {"n of 0", {1, 2, 3}, 0, {3, 2, 1}},
        {"n of 1", {1, 2, 3}, 1, {3, 2, 1}},
    };
    VMPtr<Heapsort> sorter = Heapsort::make();
    EXPECT_EQ(sorter->count, 50);
    for (const SortCase& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<VMArray<jint, 2>> rows = rowsOf(c.keys);
        std::vector<VMArray<jint>*> before;
        for (jint i = 0; i < rows->length; ++i) before.push_back(rows[i].get());

        VMPtr<VMArray<jint, 2>> result = sorter->sort(rows, c.n);
        EXPECT_TRUE(result == rows);
        EXPECT_EQ(sorter->count, c.n);
        EXPECT_EQ(column(rows, 1), c.sortedKeys);
        // The same row objects, each still holding its own tag and key.
        std::vector<VMArray<jint>*> after;
        for (jint i = 0; i < rows->length; ++i) {
            after.push_back(rows[i].get());
            EXPECT_EQ(rows[i][1], c.keys[size_t(rows[i][0])]);
        }
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(before, after);
    }
}

TEST(ToolkitHeapsort, LongerRowsKeepTheirOtherElements) {
    VMPtr<VMArray<jint, 2>> rows = VMArray<jint, 2>::create(3, 4);
    for (jint i = 0; i < 3; ++i)
        for (jint k = 0; k < 4; ++k) rows[i][k] = 10 * i + k;
    Heapsort::make()->sort(rows, 3);
    EXPECT_EQ(column(rows, 1), (std::vector<jint>{21, 11, 1}));
    EXPECT_EQ(column(rows, 3), (std::vector<jint>{23, 13, 3}));
}

TEST(ToolkitHeapsort, ACountPastTheArrayIsRefusedByTheIndexCheck) {
    VMPtr<VMArray<jint, 2>> rows = rowsOf({1, 2});
    EXPECT_EQ(wrentest::thrownName([&] { Heapsort::make()->sort(rows, 5); }),
              "java.lang.ArrayIndexOutOfBoundsException");
    VMPtr<VMArray<jint, 2>> shortRows = VMArray<jint, 2>::create(2, 1);
    EXPECT_EQ(wrentest::thrownName([&] { Heapsort::make()->sort(shortRows, 2); }),
              "java.lang.ArrayIndexOutOfBoundsException");
}

}  // namespace
