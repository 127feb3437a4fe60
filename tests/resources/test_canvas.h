// A framework canvas for the suites that need one (settings, saved data,
// the sound manager): no game thread and no game, and a record of the
// settings hook's calls.
#pragma once

#include <vector>

#include "wren_WrenCanvas.h"

namespace restest {

class TestCanvas : public wren::WrenCanvas {
    WREN_CLASS(TestCanvas, wren::WrenCanvas)
public:
    // The phases syncSettings was called with, in order.
    std::vector<jint> syncPhases;

    // Only the MIDP canvas under it is built: nothing is started.
    void ctor() { GameCanvas::ctor(false); }
    void syncSettings(jint phase) override {
        syncPhases.push_back(phase);
        WrenCanvas::syncSettings(phase);
    }
    void run() override {}
    void update() {}
    void paintGame(const VMPtr<javax::microedition::lcdui::Graphics>& g) {}
};

}  // namespace restest
