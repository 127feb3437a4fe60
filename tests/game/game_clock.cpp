#include "game_clock.h"

#include <gtest/gtest.h>

namespace {

struct VirtualClock : ::testing::Environment {
    void SetUp() override { vmUseVirtualClock(); }
};

const ::testing::Environment* const kClock =
    ::testing::AddGlobalTestEnvironment(new VirtualClock);

}  // namespace
