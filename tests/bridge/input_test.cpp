// Keys and the stylus: the key-code table, game actions and names, and the
// canvas's repeat, character and pointer rules, fed with literal messages.
#include "HAL_input.h"
#include "bridge_test_support.h"

using namespace ce;
using bridgetest::ev;
using bridgetest::Event;

namespace {

class Input : public bridgetest::HostTest {
protected:
    // Runs the host with a canvas current; `steps` dispatch their messages
    // the way the loop would, then the program exits.
    std::vector<Event> feed(std::function<void()> steps, const char* sysProp = nullptr) {
        writeProperties("app.prop", "MIDlet-Name: Wren Input\n");
        if (sysProp) writeProperties("sys.prop", sysProp);
        recorded = bridgetest::Recorded{};
        EXPECT_EQ(run([&] {
                      showCanvas();
                      steps();
                      post(WM_USER + 1);
                  }),
                  0);
        std::vector<Event> events = eventsAfterShow();
        if (!events.empty() && events.back().kind == 3) events.pop_back();
        return events;
    }
    void at(uint32_t millis) { now = 1000 + millis; }
};

constexpr LPARAM kRepeat = LPARAM(1) << 30;
constexpr LPARAM kRelease = (LPARAM(1) << 30) | (LPARAM(1) << 31);

TEST(KeyCodes, VirtualKeysMapToMidpCodes) {
    struct Row {
        uint32_t vk;
        jint code;
        jint wheelCode;
    };
    const Row rows[] = {
        {0, 0, 0},          {VK_BACK, -9, -9},     {VK_ESCAPE, -9, -9},   {VK_CLEAR, -8, -8},
        {VK_RETURN, -5, -28}, {VK_SELECT, -5, -28}, {VK_MENU, -12, -12},  {VK_HOME, -12, -12},
        {VK_LWIN, -12, -12}, {VK_LMENU, -12, -12},  {VK_RMENU, -12, -12}, {VK_END, 35, 35},
        {VK_LEFT, -3, -26},  {VK_UP, -1, -24},      {VK_RIGHT, -4, -27},  {VK_DOWN, -2, -25},
        {VK_PRINT, 42, 42},  {VK_MULTIPLY, 42, 42}, {VK_F8, 42, 42},      {VK_SNAPSHOT, -23, -23},
        {VK_DELETE, 127, 127}, {'0', 48, 48},       {'9', 57, 57},        {VK_NUMPAD0, 48, 48},
        {VK_NUMPAD9, 57, 57}, {VK_ADD, 43, 43},     {VK_SEPARATOR, 124, 124},
        {VK_SUBTRACT, 45, 45}, {VK_OEM_MINUS, 45, 45}, {VK_DECIMAL, 46, 46},
        {VK_OEM_PERIOD, 46, 46}, {VK_DIVIDE, 47, 47}, {VK_OEM_2, 47, 47}, {VK_F1, -6, -6},
        {VK_F2, -7, -7},     {VK_F3, -10, -10},     {VK_F4, -11, -11},    {VK_F6, -13, -13},
        {175, -13, -13},     {VK_F7, -14, -14},     {174, -14, -14},      {VK_F9, 35, 35},
        {VK_F16, -21, -21},  {170, -20, -20},       {171, -20, -20},      {172, -20, -20},
        {173, -15, -15},     {179, -22, -22},       {181, -22, -22},      {VK_OEM_1, 59, 59},
        {VK_OEM_PLUS, 61, 61}, {VK_OEM_COMMA, 44, 44}, {VK_OEM_3, 34, 34}, {VK_OEM_4, 91, 91},
        {VK_OEM_5, 92, 92},  {VK_OEM_6, 93, 93},    {VK_OEM_7, 39, 39},   {'A', 65, 65},
        {'Z', 90, 90},       {VK_SPACE, 32, 32},    {VK_TAB, 9, 9},       {VK_F10, -1379, -1379},
        {VK_SHIFT, -1484, -1484}, {300, -1200, -1200},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(keyCodeForVirtualKey(r.vk, false), r.code) << "vk " << r.vk;
        EXPECT_EQ(keyCodeForVirtualKey(r.vk, true), r.wheelCode) << "vk " << r.vk << " wheel";
    }
}

TEST(KeyCodes, GameActionsMapBothWaysAndWheelCodesHaveNone) {
    const std::pair<jint, jint> actions[] = {{1, -1}, {2, -3}, {5, -4}, {6, -2}, {8, -5}};
    for (auto [action, code] : actions) {
        EXPECT_EQ(HAL_getKeyCode(action), code);
        EXPECT_EQ(HAL_getGameAction(code), action);
    }
    for (jint other : {0, 3, 4, 7, 9}) EXPECT_EQ(HAL_getKeyCode(other), 0);
    for (jint code : {-24, -25, -26, -27, -28, 0, 48, 97}) EXPECT_EQ(HAL_getGameAction(code), 0);
}

TEST(KeyCodes, NamesComeFromTheVirtualKeyTheCodeStandsFor) {
    const std::pair<jint, std::u16string> names[] = {
        {-5, u"Action"},   {-28, u"Action"},        {-1, u"Up"},     {-24, u"Up"},
        {-2, u"Down"},     {-3, u"Left"},           {-4, u"Right"},  {-9, u"Back"},
        {27, u"Back"},     {-6, u"Softkey 1"},      {-7, u"Softkey 2"}, {-10, u"Talk"},
        {-11, u"End"},     {-12, u"Home screen"},   {-13, u"Volume Up"}, {-14, u"Volume Down"},
        {42, u"*"},        {35, u"#"},              {-21, u"Speakerphone"}, {-16, u"Unknown"},
        {-1379, u"Record"}, {48, u""},              {57, u""},       {65, u""},
        {-8, u""},
    };
    for (const auto& [code, name] : names) {
        jchar buffer[32];
        jint length = 32;
        EXPECT_EQ(HAL_getKeyName(code, buffer, &length), 1);
        EXPECT_EQ(std::u16string(buffer, size_t(length)), name) << "code " << code;
        EXPECT_EQ(buffer[length], 0);
    }
    // A short buffer gets what fits, terminated; none at all gets nothing.
    jchar small[4] = {u'x', u'x', u'x', u'x'};
    jint length = 4;
    EXPECT_EQ(HAL_getKeyName(-12, small, &length), 1);
    EXPECT_EQ(std::u16string(small, 3), u"Hom");
    EXPECT_EQ(small[3], 0);
    EXPECT_EQ(length, 3);
    length = 4;
    EXPECT_EQ(HAL_getKeyName(-12, nullptr, &length), 0);
    EXPECT_EQ(HAL_getKeyName(-12, small, nullptr), 0);
}

TEST_F(Input, AHeldKeyPostsItsFirstRepeatThenDropsRepeatsFor100Milliseconds) {
    auto events = feed([&] {
        at(0), dispatch(WM_KEYDOWN, VK_UP, 1);
        at(500), dispatch(WM_KEYDOWN, VK_UP, 1 | kRepeat);  // first repeat: posted
        at(550), dispatch(WM_KEYDOWN, VK_UP, 1 | kRepeat);  // dropped
        at(599), dispatch(WM_KEYDOWN, VK_UP, 1 | kRepeat);  // dropped
        at(600), dispatch(WM_KEYDOWN, VK_UP, 1 | kRepeat);  // 100 ms after the first
        at(610), dispatch(WM_KEYDOWN, VK_UP, 1 | kRepeat);
        at(620), dispatch(WM_KEYUP, VK_UP, 1 | kRelease);
        at(630), dispatch(WM_KEYDOWN, VK_UP, 1);            // a new press starts over
    });
    EXPECT_EQ(events, ev({{8, {-1}}, {10, {-1}}, {10, {-1}}, {10, {-1}}, {9, {-1}}, {8, {-1}}}));
}

TEST_F(Input, AKeyUpWithoutItsKeyDownPostsAPressFirst) {
    auto events = feed([&] { dispatch(WM_KEYUP, VK_F1, 1 | kRelease); });
    EXPECT_EQ(events, ev({{8, {-6}}, {9, {-6}}}));
}

TEST_F(Input, ATypedCharacterReachesTheCanvasBeforeItsKeyAndOnRelease) {
    // The character is queued behind its key, as typing queues it; the loop
    // still hands it over first.
    auto events = feed([&] {
        post(WM_KEYDOWN, 'A', 1);
        post(WM_CHAR, 'a', 1);
        post(WM_KEYUP, 'A', 1 | kRelease);
    });
    EXPECT_EQ(events, ev({{8, {97}}, {9, {97}}}));
}

TEST_F(Input, AKeyRemembersTheCharactersItTypedWithAndWithoutShift) {
    auto events = feed([&] {
        dispatch(WM_KEYDOWN, VK_SHIFT, 1);
        post(WM_CHAR, '!', 1);
        dispatch(WM_KEYDOWN, '1', 1);
        dispatch(WM_KEYUP, '1', 1 | kRelease);
        dispatch(WM_KEYUP, VK_SHIFT, 1 | kRelease);
        dispatch(WM_KEYDOWN, '1', 1);  // nothing typed unshifted yet: the table's code
        dispatch(WM_KEYUP, '1', 1 | kRelease);
        dispatch(WM_KEYDOWN, VK_SHIFT, 1);
        dispatch(WM_KEYDOWN, '1', 1);  // shifted: what it typed before
        dispatch(WM_KEYUP, '1', 1 | kRelease);
    });
    EXPECT_EQ(events, ev({{8, {-1484}}, {8, {33}}, {9, {33}}, {9, {-1484}}, {8, {49}}, {9, {49}},
                          {8, {-1484}}, {8, {33}}, {9, {33}}}));
}

TEST_F(Input, KeyStatesReportAnActionPressedAndReleasedOnceThenClearIt) {
    std::vector<uint32_t> states;
    feed([&] {
        HAL_getKeyStates();  // whatever an earlier test left
        dispatch(WM_KEYDOWN, VK_UP, 1);
        dispatch(WM_KEYUP, VK_UP, 1 | kRelease);
        dispatch(WM_KEYDOWN, VK_RETURN, 1);
        states.push_back(HAL_getKeyStates());
        states.push_back(HAL_getKeyStates());  // fire is still held
        dispatch(WM_KEYUP, VK_RETURN, 1 | kRelease);
        states.push_back(HAL_getKeyStates());
        states.push_back(HAL_getKeyStates());
    });
    EXPECT_EQ(states, (std::vector<uint32_t>{(1u << 1) | (1u << 8), 1u << 8, 1u << 8, 0}));
}

TEST_F(Input, PointerPressDragAndReleaseWithTheNoiseFilter) {
    struct Step {
        uint32_t time;
        UINT message;
        int x, y;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<Event> events;
    };
    const Case cases[] = {
        {"press, drag, release",
         {{0, WM_LBUTTONDOWN, 10, 10}, {40, WM_MOUSEMOVE, 20, 20}, {50, WM_MOUSEMOVE, 40, 40},
          {100, WM_LBUTTONUP, 40, 40}},
         ev({{11, {10, 10}}, {13, {20, 20}}, {13, {40, 40}}, {12, {40, 40}}})},
        {"two presses 10 ms and 3 px apart post one",
         {{0, WM_LBUTTONDOWN, 100, 100}, {10, WM_LBUTTONDOWN, 103, 101}},
         ev({{11, {100, 100}}})},
        {"the same press 30 ms later is posted",
         {{0, WM_LBUTTONDOWN, 100, 100}, {30, WM_LBUTTONDOWN, 100, 100}},
         ev({{11, {100, 100}}, {11, {100, 100}}})},
        {"small moves within 30 ms are dropped",
         {{0, WM_LBUTTONDOWN, 0, 0}, {40, WM_MOUSEMOVE, 50, 50}, {45, WM_MOUSEMOVE, 52, 54},
          {46, WM_MOUSEMOVE, 55, 50}},
         ev({{11, {0, 0}}, {13, {50, 50}}, {13, {55, 50}}})},
        {"a release without a press posts one first",
         {{0, WM_LBUTTONUP, 7, 8}}, ev({{11, {7, 8}}, {12, {7, 8}}})},
        {"a move without a press posts one first",
         {{0, WM_MOUSEMOVE, 7, 8}}, ev({{11, {7, 8}}, {13, {7, 8}}})},
        {"coordinates are signed",
         {{0, WM_MOUSEMOVE, -3, -4}}, ev({{11, {-3, -4}}, {13, {-3, -4}}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto events = feed([&] {
            for (const Step& s : c.steps) {
                at(s.time);
                dispatch(s.message, s.message == WM_LBUTTONUP ? WPARAM(0) : WPARAM(MK_LBUTTON),
                         MAKELPARAM(s.x, s.y));
            }
        });
        EXPECT_EQ(events, c.events);
        fake::reset();
    }
}

TEST_F(Input, ThePointerIgnoreListDropsPressesAndReleasesAtItsPointsOnly) {
    struct Case {
        const char* name;
        std::u16string model;
        int width, height;
        const char* sysProp;
        bool ignores;
    };
    const Case cases[] = {
        {"by property", u"Linux SDL2", 240, 320,
         "WREN_WINCE_PROPERTY_BUG_IGNORE_SOME_POINTER_EVENTS: 1\n"
         "WREN_WINCE_PROPERTY_BUG_IGNORE_SOME_POINTER_EVENTS_WHERE: 407,26,505,26\n",
         true},
        {"by the device's default", u"HTC-P4600", 480, 640, "", true},
        {"switched off by property", u"HTC-P4600", 480, 640,
         "WREN_WINCE_PROPERTY_BUG_IGNORE_SOME_POINTER_EVENTS: false\n", false},
        {"a plain HTC with a large screen has none", u"HTC", 480, 640, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SystemInfo info = systemInfo();
        info.oemInfo = c.model;
        info.screenWidth = c.width;
        info.screenHeight = c.height;
        fake::setSystemInfo(info);
        auto events = feed(
            [&] {
                at(0), dispatch(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(407, 26));
                at(100), dispatch(WM_LBUTTONUP, 0, MAKELPARAM(505, 26));
                at(200), dispatch(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(26, 505));
                at(300), dispatch(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(407, 26));  // moves never are
                at(400), dispatch(WM_LBUTTONUP, 0, MAKELPARAM(26, 505));
            },
            c.sysProp);
        if (c.ignores)
            EXPECT_EQ(events, ev({{11, {26, 505}}, {13, {407, 26}}, {12, {26, 505}}}));
        else
            EXPECT_EQ(events, ev({{11, {407, 26}}, {12, {505, 26}}, {11, {26, 505}}, {13, {407, 26}},
                                  {12, {26, 505}}}));
        fake::reset();
    }
}

}  // namespace
