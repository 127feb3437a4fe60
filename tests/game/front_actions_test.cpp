// Game actions: which virtual keys of the canvas each action reads for
// pressed, held and released, in which order, and what no action reads.
// The canvas here answers from sets of keys the test fills and writes down
// every key it was asked about.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "front_support.h"
#include "shell_test_support.h"
#include "scene_SceneManager.h"

namespace wrentest::front {

using Keys = std::vector<jint>;

class KeyCanvas : public FrontCanvas {
    WREN_CLASS(KeyCanvas, FrontCanvas)
public:
    std::set<jint> pressed, held, released;
    Keys asked;

    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { FrontCanvas::ctor(owner); }
    jboolean isKeyPressed(jint key) override {
        asked.push_back(key);
        return pressed.count(key) != 0;
    }
    jboolean isKeyHeld(jint key) override {
        asked.push_back(key);
        return held.count(key) != 0;
    }
    jboolean isKeyReleased(jint key) override {
        asked.push_back(key);
        return released.count(key) != 0;
    }
};

}  // namespace wrentest::front

WREN_DEFINE_CLASS(wrentest::front::KeyCanvas, "wrentest.front.KeyCanvas")

namespace wrentest::front {
namespace {

struct ActionCase {
    jint action;
    Keys pressedBy;   // in the order they are asked
    Keys heldBy;
    Keys releasedBy;  // only action 20
};

const Keys kAnyKey = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 10, 3, 15, 4, 7};

const ActionCase kActions[] = {
    {0, {16}, {16}, {}},
    {1, {17}, {17}, {}},
    {2, {18}, {18}, {}},
    {3, {19}, {19}, {}},
    {4, {20}, {20}, {}},
    {5, {21}, {21}, {}},
    {6, {22}, {22}, {}},
    {7, {23}, {23}, {}},
    {8, {24}, {24}, {}},
    {9, {25}, {25}, {}},
    {10, {10}, {10}, {}},
    {11, {3}, {3}, {}},
    {12, {27}, {27, 15}, {}},
    {13, {29}, {29, 15}, {}},
    {14, {1, 30, 18}, {1, 30, 18}, {}},
    {15, {2, 32, 20}, {2, 32, 20}, {}},
    {16, {5, 33, 22}, {5, 33, 22}, {}},
    {17, {6, 31, 24}, {6, 31, 24}, {}},
    {18, {8, 34, 21}, {8, 34, 21}, {}},
    {19, {4, 15}, {4, 15}, {}},
    {20, {}, {}, kAnyKey},
    {21, {7}, {7}, {}},
    {22, {15}, {15}, {}},
};

class GameActions : public ::testing::Test {
protected:
    void SetUp() override {
        midlet = IdleMIDlet::make();
        keys = KeyCanvas::make(midlet);
        stopGameThreadAndInstall(keys);
        // The queries need nothing of the manager but its canvas.
        manager = scene::SceneManager::allocate();
        manager->canvas = keys.get();
    }

    // The answer of `query` with only `key` in `set`.
    template <class Query>
    bool answerWith(std::set<jint>& set, jint key, Query query) {
        set = {key};
        bool answer = query();
        set.clear();
        return answer;
    }

    VMNativePtr<IdleMIDlet> midlet;
    VMNativePtr<KeyCanvas> keys;
    VMNativePtr<scene::SceneManager> manager;
};

bool contains(const Keys& keys, jint k) {
    for (jint x : keys)
        if (x == k) return true;
    return false;
}

// Every action against every virtual key 1..63 in each of the three
// questions, and the order in which the keys are asked.
TEST_F(GameActions, EachActionReadsItsKeysInOrder) {
    for (const ActionCase& c : kActions) {
        SCOPED_TRACE("action " + std::to_string(c.action));
        keys->asked.clear();
        EXPECT_FALSE(manager->isActionPressed(c.action));
        EXPECT_EQ(keys->asked, c.pressedBy);
        keys->asked.clear();
        EXPECT_FALSE(manager->isActionHeld(c.action));
        EXPECT_EQ(keys->asked, c.heldBy);
        keys->asked.clear();
        EXPECT_FALSE(manager->isActionReleased(c.action));
        EXPECT_EQ(keys->asked, c.releasedBy);

        for (jint k = 1; k <= 63; ++k) {
            SCOPED_TRACE("key " + std::to_string(k));
            EXPECT_EQ(
                answerWith(keys->pressed, k, [&] { return manager->isActionPressed(c.action); }),
                contains(c.pressedBy, k));
            EXPECT_EQ(answerWith(keys->held, k, [&] { return manager->isActionHeld(c.action); }),
                      contains(c.heldBy, k));
            EXPECT_EQ(
                answerWith(keys->released, k, [&] { return manager->isActionReleased(c.action); }),
                contains(c.releasedBy, k));
        }
    }
}

// The first key that answers ends the question.
TEST_F(GameActions, TheFirstKeyThatAnswersEndsTheQuestion) {
    keys->pressed = {30};
    EXPECT_TRUE(manager->isActionPressed(14));
    EXPECT_EQ(keys->asked, (Keys{1, 30}));
    keys->asked.clear();
    keys->released = {17};
    EXPECT_TRUE(manager->isActionReleased(20));
    EXPECT_EQ(keys->asked, (Keys{16, 17}));
}

TEST_F(GameActions, EdgeCases) {
    // The digit 2 is both action 2 and up.
    keys->pressed = {18};
    EXPECT_TRUE(manager->isActionPressed(2));
    EXPECT_TRUE(manager->isActionPressed(14));
    keys->pressed.clear();

    // Key 15 held: 12, 13, 19 and 22 are held, only 19 and 22 pressed.
    keys->held = {15};
    keys->pressed = {15};
    for (jint a = 0; a <= 22; ++a) {
        SCOPED_TRACE("action " + std::to_string(a));
        const bool heldByIt = a == 12 || a == 13 || a == 19 || a == 22;
        const bool pressedByIt = a == 19 || a == 22;
        EXPECT_EQ(manager->isActionHeld(a), heldByIt);
        EXPECT_EQ(manager->isActionPressed(a), pressedByIt);
    }
    keys->held.clear();
    keys->pressed.clear();

    // Releasing a direction or the fire key is no "any key".
    for (jint k : {1, 2, 5, 6, 8}) {
        keys->released = {k};
        EXPECT_FALSE(manager->isActionReleased(20)) << "key " << k;
    }

    // Numbers outside 0..22 ask nothing and answer false.
    keys->pressed = keys->held = keys->released = {1, 3, 4, 7, 10, 15, 16, 18, 25};
    for (jint a : {-1, 23, 100, INT32_MIN}) {
        keys->asked.clear();
        EXPECT_FALSE(manager->isActionPressed(a));
        EXPECT_FALSE(manager->isActionHeld(a));
        EXPECT_FALSE(manager->isActionReleased(a));
        EXPECT_TRUE(keys->asked.empty()) << "action " << a;
    }
}

// Through the canvas's own key state: a key pressed and held in the
// snapshot of the frame, released in the next one.
TEST_F(GameActions, ReadTheCanvasKeyStateOfTheFrame) {
    VMPtr<FrontCanvas> plain = FrontCanvas::make(midlet);
    stopGameThreadAndInstall(plain);
    manager->canvas = plain.get();
    plain->pressKey(21);  // the digit 5
    plain->updateKeys();
    EXPECT_TRUE(manager->isActionPressed(18));
    EXPECT_TRUE(manager->isActionPressed(5));
    EXPECT_TRUE(manager->isActionHeld(18));
    EXPECT_FALSE(manager->isActionReleased(20));
    plain->releaseKey(21);
    plain->updateKeys();
    EXPECT_FALSE(manager->isActionPressed(18));
    EXPECT_FALSE(manager->isActionHeld(18));
    EXPECT_TRUE(manager->isActionReleased(20));
    plain->updateKeys();
    EXPECT_FALSE(manager->isActionReleased(20));
}

}  // namespace
}  // namespace wrentest::front
