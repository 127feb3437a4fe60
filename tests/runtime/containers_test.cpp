// The runtime's own containers: VMList, VMHashtable and VMCString.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VMCString.h"
#include "VMHeap.h"
#include "VMList.h"

namespace {

// The values front to back, after checking that the backward links and the
// two ends agree with the forward walk.
std::vector<intptr_t> values(const VMList& list) {
    std::vector<intptr_t> forward;
    VMList::Node* previous = nullptr;
    for (VMList::Node* n = list.first(); n; n = VMList::next(n)) {
        EXPECT_EQ(n->prev, previous) << "broken backward link at " << n->value;
        forward.push_back(VMList::value(n));
        previous = n;
    }
    EXPECT_EQ(list.last(), previous) << "last does not end the list";
    EXPECT_EQ(list.empty(), forward.empty());
    return forward;
}

using Values = std::vector<intptr_t>;

TEST(VMListTest, PushesKeepOrderAndIgnoreNull) {
    VMList list;
    list.pushBack(2);
    list.pushBack(3);
    list.pushFront(1);
    list.pushFront(0);  // null: ignored
    list.pushBack(0);
    EXPECT_EQ(values(list), (Values{1, 2, 3}));
}

TEST(VMListTest, RemoveUnlinksTheFirstMatchAndFixesTheEnds) {
    struct Case {
        const char* what;
        Values start;
        intptr_t removed;
        Values expected;
    };
    const Case cases[] = {
        {"last node", {1, 2, 3}, 3, {1, 2}},
        {"first node", {1, 2, 3}, 1, {2, 3}},
        {"middle node", {1, 2, 3}, 2, {1, 3}},
        {"only node", {7}, 7, {}},
        {"first of duplicates", {5, 6, 5}, 5, {6, 5}},
        {"missing value", {1, 2, 3}, 9, {1, 2, 3}},
        {"empty list", {}, 1, {}},
        {"null value", {1, 2}, 0, {1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VMList list;
        for (intptr_t v : c.start) list.pushBack(v);
        list.remove(c.removed);
        EXPECT_EQ(values(list), c.expected);
        // The list keeps working at both ends afterwards.
        list.pushBack(100);
        list.pushFront(99);
        Values grown = c.expected;
        grown.insert(grown.begin(), 99);
        grown.push_back(100);
        EXPECT_EQ(values(list), grown);
    }
}

TEST(VMListTest, RemovingTheLastNodeLeavesLastOnThePreviousNode) {
    VMList list;
    list.pushBack(1);
    list.pushBack(2);
    VMList::Node* second = list.last();
    list.pushBack(3);
    list.remove(3);
    EXPECT_EQ(list.last(), second);
    EXPECT_EQ(second->next, nullptr);
    EXPECT_EQ(VMList::value(list.last()), 2);
}

TEST(VMListTest, ClearAndNullNodeAccessors) {
    VMList list;
    for (intptr_t v = 1; v <= 4; ++v) list.pushBack(v);
    list.clear();
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_EQ(list.last(), nullptr);
    EXPECT_TRUE(list.empty());
    list.pushFront(8);
    EXPECT_EQ(values(list), (Values{8}));
    EXPECT_EQ(VMList::next(nullptr), nullptr);
    EXPECT_EQ(VMList::value(nullptr), 0);
    list.removeNode(nullptr);
    EXPECT_EQ(values(list), (Values{8}));
}

// The table's documented hash, written out independently.
uint32_t referenceHash(const std::string& key) {
    int32_t h = 0;
    for (char c : key) h = int32_t(uint32_t(h) * 31u + uint32_t(int32_t(static_cast<signed char>(c))));
    return uint32_t(h);
}

TEST(VMHashtableTest, HashTakesBytesAsSignedChars) {
    struct Case {
        const char* key;
        uint32_t expected;
    };
    const Case cases[] = {
        {"", 0u},
        {"a", 97u},
        {"ab", 97u * 31u + 98u},
        {"\xE9", 0xFFFFFFE9u},             // -23
        {"\x80\x80", uint32_t(-128 * 31 - 128)},
        {"a\xFF", 97u * 31u - 1u},
        {"java.lang.String", referenceHash("java.lang.String")},
        {"caf\xC3\xA9", referenceHash("caf\xC3\xA9")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(VMHashtable::hash(c.key), c.expected);
    }
    // Keys that differ only above 0x7F hash apart, and not as unsigned bytes would.
    EXPECT_NE(VMHashtable::hash("x\xE9"), VMHashtable::hash("x\xEA"));
    EXPECT_NE(VMHashtable::hash("\xE9"), 0xE9u);
}

TEST(VMHashtableTest, SameKeyTwiceKeepsOneEntryWithTheSecondValue) {
    VMHashtable table;
    table.put("key", 1);
    table.put("key", 2);
    EXPECT_EQ(table.size(), 1u);
    intptr_t value = 0;
    ASSERT_TRUE(table.get("key", &value));
    EXPECT_EQ(value, 2);

    // The table keeps its own copy of the key.
    std::string key = "temporary";
    table.put(key.c_str(), 3);
    key[0] = 'X';
    EXPECT_TRUE(table.get("temporary", &value));
    EXPECT_EQ(value, 3);
    EXPECT_FALSE(table.get(key.c_str(), nullptr));
}

TEST(VMHashtableTest, ChainsInOneBucketStayApart) {
    VMHashtable table(1);  // every key collides
    const char* keys[] = {"one", "two", "three", "\xE9t\xE9", ""};
    for (intptr_t i = 0; i < 5; ++i) table.put(keys[i], 10 + i);
    EXPECT_EQ(table.size(), 5u);
    table.put("three", 99);  // an update in the middle of the chain
    EXPECT_EQ(table.size(), 5u);
    for (intptr_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(keys[i]);
        intptr_t value = -1;
        ASSERT_TRUE(table.get(keys[i], &value));
        EXPECT_EQ(value, i == 2 ? 99 : 10 + i);
    }
    intptr_t untouched = -1;
    EXPECT_FALSE(table.get("four", &untouched));
    EXPECT_EQ(untouched, -1);
    EXPECT_TRUE(table.get("one", nullptr));

    size_t seen = 0;
    table.forEach([&](const char*, intptr_t) { ++seen; });
    EXPECT_EQ(seen, 5u);

    table.clear();
    EXPECT_EQ(table.size(), 0u);
    EXPECT_FALSE(table.get("one", nullptr));
    table.put("one", 1);
    EXPECT_EQ(table.size(), 1u);
    EXPECT_TRUE(table.get("one", nullptr));
}

TEST(VMCStringTest, AssignCopiesAndHandlesNullAndEmpty) {
    VMCString s;
    EXPECT_EQ(s.get(), nullptr);
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_EQ(s.length(), 0u);

    char source[] = "abc";
    s.assign(source);
    source[0] = 'X';
    EXPECT_STREQ(s.c_str(), "abc");

    s.assign("hello", 3);
    EXPECT_STREQ(s.c_str(), "hel");
    EXPECT_EQ(s.length(), 3u);
    s.assign(nullptr, 3);  // unchanged
    EXPECT_STREQ(s.c_str(), "hel");
    s.assign("xyz", 0);  // unchanged
    EXPECT_STREQ(s.c_str(), "hel");
    s.assign("a\0b", 3);  // bytes, not a C string: the text ends at the NUL
    EXPECT_EQ(s.length(), 1u);

    s.assign("");
    ASSERT_NE(s.get(), nullptr);
    EXPECT_STREQ(s.c_str(), "");
    s.assign(nullptr);
    EXPECT_EQ(s.get(), nullptr);
}

TEST(VMCStringTest, AssignFromItsOwnText) {
    VMCString s("abcdef");
    s.assign(s.get());
    EXPECT_STREQ(s.c_str(), "abcdef");
    s.assign(s.get() + 2);
    EXPECT_STREQ(s.c_str(), "cdef");
    s.assign(s.get() + 1, 2);
    EXPECT_STREQ(s.c_str(), "de");
}

TEST(VMCStringTest, AppendEdgeCases) {
    VMCString s;
    s.append("ab");
    EXPECT_STREQ(s.c_str(), "ab");
    s.append(nullptr);
    s.append("xyz", 0);
    s.append(nullptr, 2);
    EXPECT_STREQ(s.c_str(), "ab");
    s.append("xyz", 2);
    EXPECT_STREQ(s.c_str(), "abxy");
    s.append("");
    EXPECT_STREQ(s.c_str(), "abxy");
    s.append(s.get());  // its own text
    EXPECT_STREQ(s.c_str(), "abxyabxy");
    EXPECT_EQ(s.length(), 8u);

    VMCString empty;
    empty.append("", 0);
    EXPECT_EQ(empty.get(), nullptr);
}

TEST(VMCStringTest, CopiesAreIndependentAndComparisonsFollowStrcmp) {
    VMCString a("left");
    VMCString b(a);
    ASSERT_NE(a.get(), b.get());
    b.append("!");
    EXPECT_STREQ(a.c_str(), "left");
    EXPECT_STREQ(b.c_str(), "left!");

    VMCString c;
    c = a;
    EXPECT_STREQ(c.c_str(), "left");
    c = c;  // self-assignment keeps the text
    EXPECT_STREQ(c.c_str(), "left");
    VMCString none;
    c = none;
    EXPECT_EQ(c.get(), nullptr);

    EXPECT_GT(a.compare(c), 0);
    EXPECT_LT(a.compare(b), 0);
    EXPECT_GT(b.compare(a), 0);
    EXPECT_EQ(a.compare(VMCString("left")), 0);
    EXPECT_TRUE(a.equals("left"));
    EXPECT_FALSE(a.equals("lef"));
    EXPECT_FALSE(a.equals(nullptr));
    EXPECT_FALSE(none.equals(nullptr));
    EXPECT_TRUE(none.equals(""));

    // clear forgets the text without freeing it.
    VMCString owned("owned");
    char* text = const_cast<char*>(owned.get());
    owned.clear();
    EXPECT_EQ(owned.get(), nullptr);
    EXPECT_STREQ(text, "owned");
    vmFree(text);
}

}  // namespace
