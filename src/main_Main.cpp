#include "main_Main.h"

#include "java_lang_System.h"
#include "wren_AnimSet.h"
#include "wren_MediaManagerImpl.h"
#include "wren_Resources.h"

WREN_DEFINE_CLASS(main::Main, "main.Main")

namespace main {

using javax::microedition::lcdui::Graphics;
using wren::AnimSet;
using wren::Gob;
using wren::Resources;

namespace {

// The tune of each sound set, 0 to 5 (pack 21).
constexpr jint TUNES[] = {0x5401, 0x5402, 0x5403, 0x5404, 0x5405, 0x5400};
constexpr jint SOUND_SETS = jint(sizeof(TUNES) / sizeof(TUNES[0]));

}  // namespace

void Main::staticInit() { wrenStatics_().instance = nullptr; }

void Main::ctor(const VMPtr<wren::WrenCanvas>& gameCanvas) {
    java::lang::Object::ctor();
    glyphSets = nullptr;
    Statics& s = S();
    s.canvas = gameCanvas;
    s.random = wren::util::FastRandom::make(java::lang::System::currentTimeMillis());
    s.game = Game::make();
    s.resManager = ui::ResManager::make();
    s.richFont = wren::util::text::RichFont::make();
    s.instance = this;
    paused = false;
    s.firstMenuVisit = true;
    s.musicPlaying = false;
    s.redrawBackground = true;
    s.splashPending = true;
    s.soundOn = false;
    selectFont(0);
}

void Main::update() {
    if (paused) return;
    Statics& s = S();
    if (s.sceneManager == nullptr) {
        s.sceneManager = scene::SceneManager::make();
        return;
    }
    s.sceneManager->updateScenes();
}

void Main::paint(const VMPtr<Graphics>& g) {
    Statics& s = S();
    if (s.redrawBackground) paintBackground(g);
    g->translate(s.gameAreaX, s.gameAreaY);
    if (s.sceneManager != nullptr) s.sceneManager->paintScenes(g);
    g->translate(-s.gameAreaX, -s.gameAreaY);
}

void Main::paintBackground(const VMPtr<Graphics>& g) {
    Statics& s = S();
    const jint w = s.canvas->getWidth();
    const jint h = s.canvas->getHeight();
    g->setColor(0);
    g->setClip(0, 0, w, h);
    g->fillRect(0, 0, w, h);
    // A scene counts as loading while it loads progressively, and so does
    // the first redraw after start (the splash).
    VMPtr<ui::Scene> scene = scene::SceneManager::S().currentScene;
    const bool loading = s.splashPending || (scene != nullptr && scene->progressiveLoad);
    if (!panelPending) {
        if (loading) {
            VMPtr<VMArray<Gob*>> splash = Resources::requireGobs(SPLASH_GOBS);
            splash[0]->paint(g, w / 2, h / 2, 0);
        }
        s.splashPending = false;
    } else if (loading) {
        paintLoadingPanel(g, w, h);
        s.splashPending = false;
        panelPending = false;
    }
    // Division truncates toward zero, as Java's does.
    s.gameAreaX = (w - GAME_AREA_WIDTH) / 2;
    s.gameAreaY = (h - GAME_AREA_HEIGHT) / 2;
    s.canvas->setGameAreaPosition(s.gameAreaX, s.gameAreaY);
    s.redrawBackground = false;
}

void Main::paintLoadingPanel(const VMPtr<Graphics>& g, jint w, jint h) {
    VMPtr<VMArray<jint>> rect = VMArray<jint>::create(5);
    VMPtr<AnimSet> panel =
        Resources::requireAnimSet(PANEL_ANIM_SET, Resources::requireGobs(PANEL_GOBS));
    VMPtr<VMArray<Gob*>> values = Resources::requireGobs(PANEL_VALUE_GOBS);
    panel->getFrame(panelFlag1 ? 1 : 0)->paint(g, w / 2, h / 2, 0);
    // Each value's graphic stands at the right edge and top of its box in
    // frame 1; a box kind the frame lacks leaves rect as it was.
    const jint kinds[3] = {0, 1, 3};
    const jint shown[3] = {panelValue3, panelValue4, panelValue5};
    for (jint i = 0; i < 3; ++i) {
        panel->getCollisionRects(1, 0, rect, kinds[i]);
        if (shown[i] < 0 || shown[i] >= values->length)
            Resources::throwMissingPart(PANEL_VALUE_GOBS, "the graphic-object set",
                                        "graphic object", shown[i], values->length);
        values[shown[i]]->paint(g, rect[0] + rect[2] + w / 2, rect[1] + h / 2, 0);
    }
    panel->getCollisionRects(1, 0, rect, panelValue6);
    panel->getFrame(2)->paint(g, rect[0] + rect[2] + w / 2, rect[1] + h / 2, 0);
}

void Main::showLoadingPanel(jboolean flag1, jboolean flag2, jint value3, jint value4, jint value5,
                            jint value6) {
    panelFlag1 = flag1;
    panelFlag2 = flag2;
    panelValue3 = value3;
    panelValue4 = value4;
    panelValue5 = value5;
    panelValue6 = value6;
    panelPending = true;
}

VMPtr<VMArray<jint>> Main::getLoadingPanelState() {
    return VMArray<jint>::of({panelFlag1 ? 1 : 0, panelFlag2 ? 1 : 0, panelValue3, panelValue4,
                              panelValue5, panelValue6});
}

void Main::loadResources(jint index) {
    Statics& s = S();
    if (s.loadedGlyphSetIds == nullptr) s.loadedGlyphSetIds = VMArray<jint>::create(FONT_COUNT);
    if (glyphSets == nullptr) glyphSets = VMArray<Gob*, 2>::create(FONT_COUNT);
    const jint id = FIRST_GLYPH_SET + index;
    if (s.loadedGlyphSetIds[index] != id) {
        glyphSets[index] = nullptr;
        s.loadedGlyphSetIds[index] = id;
        glyphSets[index] = Resources::requireGobs(id);
        Resources::closePack();
    }
}

void Main::selectFont(jint index) {
    Statics& s = S();
    s.richFont->setTransform(FONT_TRANSFORM);
    if (glyphSets == nullptr || glyphSets[index] == nullptr) loadResources(index);
    if (s.currentGlyphSetId != s.loadedGlyphSetIds[index]) {
        s.currentGlyphSetId = s.loadedGlyphSetIds[index];
        s.richFont->setBitmapFont(glyphSets[index]);
    }
}

void Main::releaseFont(jint index) {
    Statics& s = S();
    if (glyphSets != nullptr && glyphSets[index] != nullptr) glyphSets[index] = nullptr;
    if (s.loadedGlyphSetIds != nullptr) s.loadedGlyphSetIds[index] = -1;
}

void Main::loadLanguage(jint id) {
    Statics& s = S();
    s.language = id;
    s.translation = Resources::loadTranslation(id);
    Resources::closePack();
}

void Main::initSound(jint set) {
    Statics& s = S();
    if (soundManager == nullptr)
        soundManager = wren::MediaManagerImpl::make(s.canvas, SOUND_CHANNELS);
    else
        soundManager->unload(TUNE_SOUND);
    if (set >= 0 && set < SOUND_SETS) soundManager->loadResource(TUNE_SOUND, TUNES[set], -1, 0);
    Resources::closePack();
    s.soundOn = true;
    s.musicPlaying = false;
    s.soundSet = set;
}

void Main::changeSoundSet(jint set) {
    Statics& s = S();
    if (!s.soundOn || set == s.soundSet) return;
    stopMusic();
    initSound(set);
}

void Main::playCueSound() {
    if (S().soundOn) soundManager->play(TUNE_CHANNEL, TUNE_SOUND);
}

void Main::playMusic(jint sound) {
    stopMusic();
    Statics& s = S();
    if (s.soundOn) {
        soundManager->play(MUSIC_CHANNEL, sound);
        s.musicPlaying = true;
    }
}

void Main::stopMusic() {
    Statics& s = S();
    if (s.soundOn && s.musicPlaying) {
        soundManager->stop(MUSIC_CHANNEL);
        s.musicPlaying = false;
    }
}

void Main::stopSounds() {
    if (S().soundOn) soundManager->stop(-1);
}

void Main::disableSound() {
    if (soundManager == nullptr) return;
    stopSounds();
    S().soundOn = false;
    S().soundSet = -1;
}

void Main::releaseSound() {
    if (soundManager == nullptr) return;
    soundManager->dispose();
    soundManager = nullptr;
    S().soundSet = -1;
    S().soundOn = false;
}

void Main::onPause() {
    paused = true;
    if (S().sceneManager != nullptr) S().sceneManager->pauseScene();
}

void Main::onResume() {
    paused = false;
    if (S().sceneManager != nullptr) S().sceneManager->resumeScene();
}

void Main::onResumeComplete() {
    VMPtr<scene::SceneManager> manager = S().sceneManager;
    // pauseScene is the current scene's onPause when a scene is current.
    if (manager != nullptr && manager->sceneId == PLAY_FIELD_SCENE)
        manager->pauseScene();
    else
        playCueSound();
}

jint Main::randomInt() {
    clinit();
    const jint value = S().random->nextInt();
    // The absolute value of the smallest int is itself, negative: it goes
    // to 0, the one result that abs reaches from a single value, so every
    // result keeps two sources and none is negative.
    if (value == INT32_MIN) return 0;
    return value < 0 ? -value : value;
}

void Main::cleanUp() {
    clinit();
    Statics& s = S();
    s.canvas = nullptr;
    if (s.sceneManager != nullptr) {
        s.sceneManager->unloadScene();
        s.sceneManager = nullptr;
    }
    s.game = nullptr;
    ui::ResManager::dispose();
    s.resManager = nullptr;
    if (s.loadedGlyphSetIds != nullptr)
        for (jint i = 0; i < s.loadedGlyphSetIds->length; ++i) s.loadedGlyphSetIds[i] = -1;
    s.currentGlyphSetId = -1;
    s.language = -1;
    s.soundSet = -1;
    s.random = nullptr;
    s.richFont = nullptr;
    s.translation = nullptr;
    s.firstMenuVisit = true;
    s.redrawBackground = true;
}

}  // namespace main
