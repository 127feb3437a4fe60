// ui.ResManager: shared columns with reference counts, growth, release,
// clear, and a cache that stays as it was when a column is bad or a load
// fails.
#include <gtest/gtest.h>

#include "java_io_IOException.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_Throwable.h"
#include "VMTry.h"
#include "shell_test_support.h"
#include "ui_ResManager.h"

namespace wrentest::shell {
namespace {

using ui::ResManager;

constexpr jint kSplash = 0x806;
constexpr jint kPanelGobs = 0x808;
constexpr jint kValues = 0x805;
constexpr jint kPanel = 0x803;
constexpr jint kMissing = 50 << 10;  // a pack that does not exist
// Seven more graphic-object sets: the glyph sets.
constexpr jint kFont0 = 0x4C00;

class ResManagerTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ResManager::make();
    }
    ResManager::Statics& s() { return ResManager::S(); }
    void acquire(jint gobId, jint animSetId) {
        ResManager::acquire(gobId, animSetId);
        gob = ResManager::getLastGobSlot();
        anim = ResManager::getLastAnimSetSlot();
    }
    // Whether the call threw a Java exception of that class.
    template <typename Exception, typename Body>
    bool throws(Body body) {
        return vmTryCatch(
            [&] {
                body();
                return false;
            },
            [](const VMPtr<Exception>&) { return true; });
    }

    jint gob = 0;
    jint anim = 0;
};

TEST_F(ResManagerTest, ASharedEntryIsFreedByItsLastRelease) {
    acquire(kSplash, -1);
    EXPECT_EQ(gob, 0);
    EXPECT_EQ(anim, -1);
    acquire(kSplash, -1);
    EXPECT_EQ(gob, 0);
    EXPECT_EQ(s().gobRefs[0], 2);
    EXPECT_EQ(s().used, 1);

    ResManager::release(0, -1);
    EXPECT_NE(s().gobPool[0], nullptr);
    EXPECT_EQ(s().ids[0][0], kSplash);
    ResManager::release(0, -1);
    EXPECT_EQ(s().gobRefs[0], 0);
    EXPECT_EQ(s().gobPool[0], nullptr);
    EXPECT_EQ(s().ids[0][0], -1);

    // The freed column is not handed out again before a clear.
    acquire(kSplash, -1);
    EXPECT_EQ(gob, 1);
    EXPECT_EQ(s().used, 2);
}

TEST_F(ResManagerTest, BothHalvesSkippedChangeNothing) {
    acquire(kPanelGobs, kPanel);
    acquire(-1, -1);
    EXPECT_EQ(gob, -1);
    EXPECT_EQ(anim, -1);
    EXPECT_EQ(s().used, 1);
    EXPECT_EQ(s().gobRefs[0], 1);
    EXPECT_EQ(s().animSetRefs[0], 1);
}

// A new animation set is bound to the graphic-object set of the column the
// same call chose, loaded before or not.
TEST_F(ResManagerTest, ANewAnimationSetIsBoundToTheCallsGraphicObjectColumn) {
    acquire(kPanelGobs, -1);
    acquire(kPanelGobs, kPanel);
    EXPECT_EQ(gob, 0);
    EXPECT_EQ(anim, 1);
    EXPECT_EQ(s().used, 2);
    EXPECT_TRUE(s().animSetPool[1]->getGobs() == s().gobPool[0]);
    EXPECT_EQ(s().ids[1][1], kPanel);

    acquire(kValues, kPanel);  // the set is loaded: reused, not rebound
    EXPECT_EQ(gob, 2);
    EXPECT_EQ(anim, 1);
    EXPECT_EQ(s().animSetRefs[1], 2);
    EXPECT_TRUE(s().animSetPool[1]->getGobs() == s().gobPool[0]);

    // With the graphic-object half skipped it is bound to none.
    ResManager::clear();
    acquire(-1, kPanel);
    EXPECT_EQ(anim, 0);
    EXPECT_EQ(s().animSetPool[0]->getGobs(), nullptr);
}

TEST_F(ResManagerTest, TheFifthNewColumnGrowsTheCacheBeforeTheCallReturns) {
    for (jint i = 0; i < 4; ++i) acquire(kFont0 + i, -1);
    EXPECT_EQ(s().capacity, 5);
    acquire(kFont0 + 4, -1);
    EXPECT_EQ(gob, 4);
    EXPECT_EQ(s().capacity, 10);
    EXPECT_EQ(s().growStep, 5);
    EXPECT_EQ(s().gobPool->length, 10);
    EXPECT_EQ(s().ids[1]->length, 10);
    // The old columns keep their sets, ids and counts.
    for (jint i = 0; i < 5; ++i) {
        EXPECT_EQ(s().ids[0][i], kFont0 + i);
        EXPECT_EQ(s().gobRefs[i], 1);
        EXPECT_NE(s().gobPool[i], nullptr);
    }
    acquire(kFont0 + 2, -1);
    EXPECT_EQ(gob, 2);
    EXPECT_EQ(s().gobRefs[2], 2);
}

// Unshared acquires take a new column each time: the capacity runs
// 5, 10, 15, 22, 33, 48, 63, and a later shared acquire reuses the last.
TEST_F(ResManagerTest, GrowthStepsAreHalfTheCapacityBetweenFiveAndFifteen) {
    std::vector<jint> capacities{s().capacity};
    for (jint i = 0; i < 62; ++i) {
        ResManager::acquireUnshared(kSplash, -1);
        EXPECT_EQ(ResManager::getLastGobSlot(), i);
        if (s().capacity != capacities.back()) capacities.push_back(s().capacity);
    }
    EXPECT_EQ(capacities, (std::vector<jint>{5, 10, 15, 22, 33, 48, 63}));
    EXPECT_EQ(s().growStep, 15);
    acquire(kSplash, -1);
    EXPECT_EQ(gob, 61);
    EXPECT_EQ(s().gobRefs[61], 2);

    // A clear keeps the capacity and empties every column.
    ResManager::clear();
    EXPECT_EQ(s().capacity, 63);
    EXPECT_EQ(s().used, 0);
    EXPECT_EQ(ResManager::getLastGobSlot(), -1);
    for (jint i = 0; i < 63; ++i) {
        EXPECT_EQ(s().gobPool[i], nullptr);
        EXPECT_EQ(s().gobRefs[i], 0);
        EXPECT_EQ(s().ids[0][i], -1);
        EXPECT_EQ(s().ids[1][i], -1);
    }
    acquire(kPanelGobs, kPanel);
    EXPECT_EQ(gob, 0);
    EXPECT_EQ(anim, 0);
}

TEST_F(ResManagerTest, ABadColumnThrowsAndChangesNothing) {
    acquire(kPanelGobs, kPanel);
    acquire(kPanelGobs, kPanel);
    for (auto [gobColumn, animColumn] :
         {std::pair{5, 0}, std::pair{0, 5}, std::pair{-2, -1}, std::pair{0, -7}}) {
        SCOPED_TRACE(std::to_string(gobColumn) + ", " + std::to_string(animColumn));
        EXPECT_TRUE(throws<java::lang::ArrayIndexOutOfBoundsException>(
            [&] { ResManager::release(gobColumn, animColumn); }));
        EXPECT_EQ(s().gobRefs[0], 2);
        EXPECT_EQ(s().animSetRefs[0], 2);
    }
    // A column that holds nothing (handed out never, or released already)
    // keeps a count of 0 and frees nothing.
    ResManager::release(3, 3);
    EXPECT_EQ(s().gobRefs[3], 0);
    ResManager::release(0, 0);
    ResManager::release(0, 0);
    ResManager::release(0, 0);
    EXPECT_EQ(s().gobRefs[0], 0);
    EXPECT_EQ(s().animSetRefs[0], 0);
}

// A graphic-object set in a pack that does not exist throws, and so does an
// animation set whose pieces name graphic objects past the set it would be
// bound to (the splash set has one; the panel's pieces go up to 4).
TEST_F(ResManagerTest, AFailedLoadLeavesTheCacheAsItWas) {
    acquire(kPanelGobs, -1);
    EXPECT_TRUE(throws<java::lang::Throwable>([&] { ResManager::acquire(kMissing, kPanel); }));
    EXPECT_TRUE(throws<java::lang::Throwable>([&] { ResManager::acquire(kMissing, -1); }));
    for (bool unshared : {false, true}) {
        SCOPED_TRACE(unshared ? "unshared" : "shared");
        std::string message;
        EXPECT_TRUE(throws<java::io::IOException>([&] {
            vmTryCatch(
                [&] {
                    if (unshared)
                        ResManager::acquireUnshared(kSplash, kPanel);
                    else
                        ResManager::acquire(kSplash, kPanel);
                },
                [&](const VMPtr<java::io::IOException>& e) {
                    message = e->getMessage()->toUtf8();
                    e->throwSelf();
                });
        }));
        EXPECT_NE(message.find("RP2part1.rp: entry 3: the animation set can't be read (piece "),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find(" names graphic object 1 of 1)"), std::string::npos) << message;
    }
    EXPECT_EQ(s().used, 1);
    EXPECT_EQ(s().gobRefs[0], 1);
    EXPECT_EQ(s().gobRefs[1], 0);
    EXPECT_EQ(s().animSetRefs[1], 0);
    EXPECT_EQ(s().gobPool[1], nullptr);
    EXPECT_EQ(s().animSetPool[1], nullptr);
    acquire(kValues, kPanel);
    EXPECT_EQ(gob, 1);
    EXPECT_EQ(anim, 1);
    EXPECT_EQ(s().gobRefs[1], 1);
    EXPECT_EQ(s().animSetRefs[1], 1);
}

TEST_F(ResManagerTest, DisposeDropsThePools) {
    acquire(kPanelGobs, kPanel);
    ResManager::dispose();
    EXPECT_EQ(s().gobPool, nullptr);
    EXPECT_EQ(s().animSetPool, nullptr);
    EXPECT_EQ(s().capacity, 5);
    EXPECT_EQ(s().used, 0);
    EXPECT_EQ(s().ids[0][0], -1);
    EXPECT_EQ(s().gobRefs[0], 0);
    ResManager::dispose();
}

}  // namespace
}  // namespace wrentest::shell
