// The hand-over of work to the game thread: one lock, made with the canvas,
// that every producer takes, and the log line of queued work; and the
// platform request, which answers false whatever is thrown under it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VMThread.h"
#include "framework_test_support.h"
#include "java_lang_Error.h"
#include "java_lang_String.h"
#include "runtime/wren_test_Task.h"
#include "wren_MediaManagerImpl.h"

namespace {

using java::lang::Object;
using java::lang::String;
using wren::WrenCanvas;
using wren::test::Task;
using wrentest::framework::CanvasTest;
using wrentest::framework::RunningCanvasTest;
using wrentest::framework::TestCanvas;
using wrentest::framework::TestMIDlet;

// Writes down each log entry, and whether the deferred-work lock was held
// by the logging thread at the time.
class LoggingCanvas : public TestCanvas {
    WREN_CLASS(LoggingCanvas, TestCanvas)
public:
    struct Entry {
        jint level;
        std::string text;
        bool detail;
        bool underLock;
        bool operator==(const Entry& o) const {
            return level == o.level && text == o.text && detail == o.detail &&
                   underLock == o.underLock;
        }
    };
    std::vector<Entry> logged;
    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { TestCanvas::ctor(owner); }
    void logMessage(jint level, const VMPtr<String>& text, const VMPtr<Object>& detail) override {
        VMPtr<Object> lock = deferredLock;
        logged.push_back({level, text ? text->toUtf8() : "<null>", detail != nullptr,
                          lock && lock->monitorOwner_ == VMThread::current()});
    }
};

class Handover : public RunningCanvasTest {
protected:
    VMPtr<TestCanvas> makeCanvas(const VMPtr<TestMIDlet>& owner) override {
        return LoggingCanvas::make(owner);
    }
    LoggingCanvas& logging() { return *vmCast<LoggingCanvas>(VMPtr<TestCanvas>(canvas.get())); }
};

// Before anything was queued or posted the lock is there, and a producer
// on another thread waits for it while it is held. The checks wait until
// the producer runs: one that has not started yet would pass them whether
// it takes the lock or not. A producer that runs without the lock has
// posted by the time this thread has the VM lock back, as nothing on its
// way lets go of it.
TEST_F(Handover, TheLockIsMadeWithTheCanvasAndEveryProducerTakesIt) {
    VMPtr<Object> lock = canvas->deferredLock;
    ASSERT_TRUE(lock != nullptr);
    VMPtr<Task> producer;
    bool started = false;
    {
        VMSynchronized guard(lock);
        producer = Task::spawn([&] {
            started = true;
            canvas->setNetworkResult(7, nullptr);
            canvas->queueRunnable(Task::make([] {}));
        });
        wren::test::yieldUntil([&] { return started; });
        EXPECT_TRUE(producer->isAlive());
        EXPECT_FALSE(canvas->networkResultPending);
        EXPECT_FALSE(canvas->runnablesPending);
    }
    wren::test::join(producer);
    EXPECT_TRUE(canvas->networkResultPending);
    EXPECT_TRUE(canvas->runnablesPending);
    canvas->clearNetworkResult();
    EXPECT_TRUE(canvas->deferredLock == lock);
}

TEST_F(Handover, QueuedWorkIsLoggedUnderTheLock) {
    canvas->queueRunnable(Task::make([] {}));
    canvas->queueRunnable(Task::make([] {}));
    LoggingCanvas::Entry entry{WrenCanvas::LOG_LEVEL_DEFAULT,
                               "Scheduling network transfer complete", false, true};
    EXPECT_EQ(logging().logged, (std::vector<LoggingCanvas::Entry>{entry, entry}));
    EXPECT_EQ(canvas->runnableQueue->size(), 2);
}

// A sound manager whose stop throws an Error, which is no Exception.
class FailingSounds : public wren::MediaManagerImpl {
    WREN_CLASS(FailingSounds, wren::MediaManagerImpl)
public:
    void ctor(const VMPtr<WrenCanvas>& owner) { MediaManagerImpl::ctor(owner, 1); }
    void stop(jint) override { java::lang::Error::make()->throwSelf(); }
};

class PlatformRequest : public CanvasTest {};

TEST_F(PlatformRequest, AnythingThrownUnderItIsFalseAndNoExit) {
    FailingSounds::make(VMPtr<WrenCanvas>(canvas.get()));
    ASSERT_TRUE(canvas->mediaManager != nullptr);
    jbyte state = WrenCanvas::S().appState;
    EXPECT_FALSE(canvas->platformRequest(WREN_LIT("http://example.invalid/")));
    EXPECT_FALSE(canvas->platformRequestAlias(WREN_LIT("http://example.invalid/")));
    EXPECT_EQ(WrenCanvas::S().appState, state);
    EXPECT_TRUE(canvas->eventCodes().empty());
    canvas->mediaManager = nullptr;
}

}  // namespace

WREN_DEFINE_CLASS(LoggingCanvas, "wrentest.framework.LoggingCanvas")
WREN_DEFINE_CLASS(FailingSounds, "wrentest.framework.FailingSounds")
