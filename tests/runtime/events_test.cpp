// The event dispatcher: which listeners an event reaches, in what order, and
// what a listener that throws does to the rest. Listeners can't be removed,
// so each listener belongs to one test and reports only while that test runs.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "VM.h"
#include "VMException.h"
#include "java_lang_IllegalStateException.h"

namespace {

struct Call {
    std::string who;
    jint kind;
    jint argc;
    const intptr_t* args;
    bool operator==(const Call&) const = default;
};

// The running test's number and log.
int runningTest = 0;
std::vector<Call>* openLog = nullptr;

template <int Test, char Name>
void listener(jint kind, jint argc, const intptr_t* args) {
    if (runningTest == Test) openLog->push_back({std::string(1, Name), kind, argc, args});
}

// Logs whether the VM had been asked to exit when it was called.
template <int Test, char Name>
void exitWatcher(jint kind, jint argc, const intptr_t* args) {
    if (runningTest == Test)
        openLog->push_back({std::string(1, Name) + (vmInstance->exitRequested ? "+exit" : "-exit"), kind,
                            argc, args});
}

template <int Test, char Name>
void throwingListener(jint kind, jint argc, const intptr_t* args) {
    if (runningTest != Test) return;
    openLog->push_back({std::string(1, Name), kind, argc, args});
    java::lang::IllegalStateException::throwNew();
}

template <int Test, char Name>
void exitingListener(jint kind, jint argc, const intptr_t* args) {
    if (runningTest != Test) return;
    openLog->push_back({std::string(1, Name), kind, argc, args});
    VMExitException::make(0)->throwSelf();
}

class Events : public ::testing::Test {
protected:
    // Starts test number `test`; true the first time, when its listeners
    // are still to be added (a repeated run finds them there).
    bool run(int test) {
        runningTest = test;
        openLog = &log;
        static std::set<int> added;
        return added.insert(test).second;
    }
    void TearDown() override {
        runningTest = 0;
        openLog = nullptr;
        vmInstance->exitRequested = 0;
    }

    // The names of the listeners called, in order.
    std::string order() const {
        std::string s;
        for (const Call& c : log) s += (s.empty() ? "" : " ") + c.who;
        return s;
    }

    std::vector<Call> log;
};

}  // namespace

// Lists run 0, 1, 2 whatever the order the listeners were added in; within a
// list, in the order added. A list index other than 0 or 2 means list 1.
TEST_F(Events, ListenersRunListByListInTheOrderAdded) {
    if (run(1)) {
        ASSERT_NE(HAL_addEventListener(&listener<1, 'a'>, 1u << 5, 2), nullptr);
        ASSERT_NE(HAL_addEventListener(&listener<1, 'b'>, 1u << 5, 1), nullptr);
        ASSERT_NE(HAL_addEventListener(&listener<1, 'c'>, 1u << 5, 0), nullptr);
        ASSERT_NE(HAL_addEventListener(&listener<1, 'd'>, 1u << 5, 2), nullptr);
        ASSERT_NE(HAL_addEventListener(&listener<1, 'e'>, 1u << 5, 7), nullptr);
        ASSERT_NE(HAL_addEventListener(&listener<1, 'f'>, 1u << 5, -1), nullptr);
        ASSERT_NE(HAL_addEventListener(&listener<1, 'g'>, 1u << 5, 0), nullptr);
    }

    const intptr_t args[] = {-1, intptr_t(&log)};  // pointer-sized arguments pass unchanged
    EXPECT_EQ(HAL_postEvent(5, 2, args), 0);
    EXPECT_EQ(order(), "c g b e f a d");
    for (const Call& c : log) EXPECT_EQ(c, (Call{c.who, 5, 2, args}));
    EXPECT_EQ(vmPostEvent(5, 2, args), 0) << "the host's hook posts the same way";
    EXPECT_EQ(log.size(), 14u);
}

TEST_F(Events, MaskBitsSelectTheKinds) {
    if (run(2)) {
        HAL_addEventListener(&listener<2, 'w'>, 0x7FFFFFFF, 1);
        HAL_addEventListener(&listener<2, 'a'>, 0xFFFFFFFF, 1);
        HAL_addEventListener(&listener<2, 'n'>, 0, 1);
        HAL_addEventListener(nullptr, 0xFFFFFFFF, 1);  // an entry without a callback is passed over
    }
    struct Case {
        jint kind;
        const char* reached;
    };
    const Case cases[] = {
        {0, "w a"},     {8, "w a"},   {30, "w a"},  {31, "a"}, {32, ""},
        {33, ""},       {255, ""},    {256, ""},    {256 + 8, ""},
        {0x7FFFFFFF, ""}, {-1, ""}, {-256, ""},
    };
    for (const Case& c : cases) {
        log.clear();
        EXPECT_EQ(HAL_postEvent(c.kind, 0, nullptr), 0) << c.kind;
        EXPECT_EQ(order(), c.reached) << "kind " << c.kind;
    }
}

// The VM's own destroy listener is the first of list 0, so every listener
// added later, and all of lists 1 and 2, already see the exit request.
TEST_F(Events, DestroyEventRequestsExitBeforeListsOneAndTwo) {
    if (run(3)) {
        HAL_addEventListener(&exitWatcher<3, 'x'>, 1u << 3 | 1u << 1, 0);
        HAL_addEventListener(&exitWatcher<3, 'y'>, 1u << 3 | 1u << 1, 1);
        HAL_addEventListener(&exitWatcher<3, 'z'>, 1u << 3 | 1u << 1, 2);
    }
    vmInstance->exitRequested = 0;

    EXPECT_EQ(HAL_postEvent(1, 0, nullptr), 0);
    EXPECT_EQ(order(), "x-exit y-exit z-exit") << "a pause asks nothing";
    log.clear();
    EXPECT_EQ(HAL_postEvent(3, 0, nullptr), 0);
    EXPECT_EQ(order(), "x+exit y+exit z+exit");
    EXPECT_EQ(vmInstance->exitRequested, 1);
}

// A listener that throws ends the post: its trace is printed, no later
// listener in its list or the lists after it is called, and the result is 2.
TEST_F(Events, ThrowingListenerStopsThePostWithTwo) {
    if (run(4)) {
        HAL_addEventListener(&listener<4, 'a'>, 1u << 9, 0);
        HAL_addEventListener(&throwingListener<4, 'T'>, 1u << 9, 1);
        HAL_addEventListener(&exitingListener<4, 'X'>, 1u << 10, 1);
        HAL_addEventListener(&listener<4, 'b'>, (1u << 9) | (1u << 10), 1);
        HAL_addEventListener(&listener<4, 'c'>, (1u << 9) | (1u << 10), 2);
        HAL_addEventListener(&listener<4, 'd'>, 1u << 11, 2);
    }

    struct Case {
        jint kind;
        const char* reached;
    };
    for (const Case& c : {Case{9, "a T"}, Case{10, "X"}}) {
        log.clear();
        EXPECT_EQ(HAL_postEvent(c.kind, 0, nullptr), 2) << c.kind;
        EXPECT_EQ(order(), c.reached) << c.kind;
    }
    log.clear();
    EXPECT_EQ(HAL_postEvent(11, 0, nullptr), 0);
    EXPECT_EQ(order(), "d") << "the next event is delivered as usual";
}
