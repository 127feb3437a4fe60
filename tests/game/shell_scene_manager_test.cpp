// scene.SceneManager before any scene exists: its construction (the first
// text table, then the logo's id), and a scene change's order of work: a
// background redraw asked for, sounds stopped, the resource cache cleared,
// the id kept as a signed 16-bit value.
#include <gtest/gtest.h>

#include "main_Main.h"
#include "scene_SceneManager.h"
#include "shell_test_support.h"
#include "ui_ResManager.h"

namespace wrentest::shell {
namespace {

using main::Main;
using scene::SceneManager;

class SceneManagerTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        mainObject = Main::make(canvas);
        sound = RecordingSound::make();
        mainObject->soundManager = sound.get();
        mainObject->initSound(9);
        sound->calls.clear();
    }

    VMNativePtr<Main> mainObject;
    VMNativePtr<RecordingSound> sound;
};

TEST_F(SceneManagerTest, ConstructionLoadsTheFirstTextsAndChangesToTheLogo) {
    Main::S().redrawBackground = false;
    VMPtr<SceneManager> manager = SceneManager::make();
    EXPECT_TRUE(SceneManager::S().instance == manager);
    EXPECT_TRUE(manager->canvas == canvas);
    EXPECT_EQ(manager->sceneId, 0);
    EXPECT_EQ(Main::S().language, 0x5000);
    EXPECT_NE(Main::S().translation, nullptr);
    EXPECT_TRUE(Main::S().redrawBackground);
    EXPECT_EQ(sound->calls, std::vector<std::string>{"stop -1"});
}

TEST_F(SceneManagerTest, AChangeRedrawsStopsTheSoundsAndClearsTheCache) {
    VMPtr<SceneManager> manager = SceneManager::make();
    // The logo holds its sets; one more column is taken here.
    const jint logoColumns = ui::ResManager::S().used;
    ui::ResManager::acquire(0x808, 0x803);
    ASSERT_EQ(ui::ResManager::S().used, logoColumns + 1);
    Main::S().redrawBackground = false;
    sound->calls.clear();

    // An id that builds no scene, so that no scene of its own asks for
    // anything.
    manager->changeScene(7);
    EXPECT_EQ(manager->sceneId, 7);
    EXPECT_TRUE(Main::S().redrawBackground);
    EXPECT_EQ(sound->calls, std::vector<std::string>{"stop -1"});
    EXPECT_EQ(ui::ResManager::S().used, 0);
    EXPECT_EQ(ui::ResManager::S().gobPool[0], nullptr);

    manager->changeScene(40000);
    EXPECT_EQ(manager->sceneId, -25536);

    // Unloading keeps the id; update, paint and pause find no scene.
    manager->changeScene(34);
    manager->unloadScene();
    EXPECT_EQ(manager->sceneId, 34);
    manager->updateScenes();
    manager->pauseScene();
    manager->resumeScene();
}

}  // namespace
}  // namespace wrentest::shell
