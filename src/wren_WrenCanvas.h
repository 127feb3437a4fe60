// wren.WrenCanvas: the framework's canvas and the spine of the game loop.
// Its constructor starts the game thread, which waits for the first show and
// then runs paced frames until the application exits. The UI thread only
// delivers the MIDP callbacks, which become flags, pause requests and key
// states that the game thread reads at its next frame. The game's canvas
// supplies update() and paintGame(g), and may override onEvent(code). Its
// statics also hold the services the resource readers share with the rest
// of the framework: the byte-buffer serializer over two static buffers and
// decimal formatting into a StringBuffer.
//
// The operations below are grouped by concern, and each group's code lives in
// one file, beside the few operations named with the file they live in:
// wren_WrenCanvas.cpp (core loop, the hand-over of deferred work, sessions,
// frame timing, pause and system events with platformRequest, game area,
// accessors and the orientation and keep-alive forwards),
// wren_WrenCanvas_keys.cpp (keys), wren_WrenCanvas_data.cpp (saved data, the
// serializer, number formatting and parseInt, checksums, sorting, the alpha
// helpers, and getDefaultFont), wren_WrenCanvas_services.cpp (platform
// services, the second entries but the three named below, the hooks, logging),
// wren_WrenCanvas_drawing.cpp (drawing, text with the text table's getText,
// fills with the gradients' second entries, the static image helpers' entries),
// wren_WrenCanvas_levelRenderer.cpp, wren_WrenCanvas_animation.cpp (animation
// tables and players) and wren_WrenCanvas_loading.cpp (resource forwards with
// createImageFromDataAlias, table loading).
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_Runnable.h"
#include "java_lang_StringBuffer.h"
#include "java_io_DataInputStream.h"
#include "java_lang_String.h"
#include "java_lang_Thread.h"
#include "java_lang_Throwable.h"
#include "java_util_Vector.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "javax_microedition_lcdui_game_GameCanvas.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "wren_Gob.h"
#include "wren_platform_ExtendedGraphics.h"

namespace wren {

class AnimSet;
class MediaManagerImpl;
namespace util::text {
class RichFont;
}

class WrenCanvas : public javax::microedition::lcdui::game::GameCanvas,
                   public virtual java::lang::Runnable {
    WREN_CLASS(WrenCanvas, javax::microedition::lcdui::game::GameCanvas,
               (midlet, javax::microedition::midlet::MIDlet), (keyLock, java::lang::Object),
               (keyStates, VMArray<jbyte>), (keySnapshot, VMArray<jbyte>),
               (deferredLock, java::lang::Object), (runnableQueue, java::util::Vector),
               (networkResultData, VMArray<jbyte>),
               // The current HTTP and socket sessions (NetworkSession and
               // SocketSession, whose headers include this one), or null.
               (networkSession, java::lang::Thread), (socketSession, java::lang::Thread),
               (mediaManager, MediaManagerImpl), (defaultFont, util::text::RichFont),
               // The level renderer: tile grid, scenery and sprite lists.
               (mapTiles, VMArray<jshort>), (tileSet, javax::microedition::lcdui::Image),
               (tileSourceX, VMArray<jint>), (tileSourceY, VMArray<jint>),
               (tileAliases, VMArray<jint>), (mapGraphics, javax::microedition::lcdui::Graphics),
               (sceneryGobs, VMArray<Gob*>), (sceneryX, VMArray<jshort>),
               (sceneryY, VMArray<jshort>), (sceneryTransforms, VMArray<jbyte>),
               (sceneryOrder, VMArray<jint>), (sceneryVisible, VMArray<jint>),
               (spriteGobs, VMArray<Gob*>), (spriteX, VMArray<jshort>), (spriteY, VMArray<jshort>),
               (spriteTransforms, VMArray<jbyte>), (levelStream, java::io::DataInputStream),
               // The packed animation tables, one row per loaded set, and
               // the lightweight players (eight shorts each).
               (animSetKeys, VMArray<jshort>), (animTable, VMArray<jint, 2>),
               (stepFlags, VMArray<jbyte, 2>), (stepData, VMArray<jint, 2>),
               (durationTable, VMArray<jchar, 2>), (frameTable, VMArray<jint, 2>),
               (framePieces, VMArray<jint, 2>), (frameBoxIndex, VMArray<jchar, 2>),
               (boxData, VMArray<jint, 2>), (boxInfo, VMArray<jchar, 2>),
               (players, VMArray<jshort>),
               // The text-record table.
               (textData, VMArray<jbyte>), (textOffsets, VMArray<jchar>),
               (textCache, VMArray<java::lang::String*>))
public:
    // appState
    enum : jbyte { APP_CONSTRUCTED = 0, APP_RUNNING = 3, APP_EXITING = 4 };
    // The codes of onEvent.
    enum : jint {
        EVENT_STARTED = 0,
        EVENT_PAUSED = 1,
        EVENT_RESUMED = 2,
        EVENT_EXIT = 3,
        EVENT_SIZE_CHANGED = 4,
        EVENT_RESUME_COMPLETE = 5,
    };
    // pauseState: the request the game thread has not handled yet.
    enum : jint { PAUSE_NONE = -1, PAUSE_REQUESTED = 1, RESUME_REQUESTED = 2 };
    // lifecycleState: whether the game was last told of a pause or of a resume.
    enum : jint { LIFECYCLE_PAUSED = 1, LIFECYCLE_RUNNING = 2 };
    // A resume reaches the game this long after the last request at the
    // earliest.
    static constexpr jint RESUME_SETTLE_MS = 750;
    // Key state byte: press count, held, released since the last snapshot.
    enum : jint { KEY_COUNT_MASK = 0x3F, KEY_HELD = 0x40, KEY_RELEASED = 0x80 };
    static constexpr jint KEY_SLOTS = 128;

    struct Statics {
        // The canvas every static service of the framework reaches.
        VMStaticPtr<WrenCanvas> instance;
        // Its monitor guards the pause request.
        VMStaticPtr<java::lang::Thread> gameThread;
        jbyte appState = 0;
        jboolean shown = false;
        jint screenWidth = 0;
        jint screenHeight = 0;
        // Virtual key -> the key code that drives it (0: none), 64 entries.
        VMStaticPtr<VMArray<jint>> keyMap;
        jbyte nextFreeVirtualKey = 0;
        // The serializer's buffers and positions, set directly by their
        // users. Neither side compares a position with its buffer's length:
        // the users keep every access inside the buffer, and one that strays
        // is stopped by the array's own index check.
        VMStaticPtr<VMArray<jbyte>> outBuffer;
        jint outPosition = 0;
        VMStaticPtr<VMArray<jbyte>> inBuffer;
        jint inPosition = 0;
        // The CRC table, made on first use.
        VMStaticPtr<VMArray<jint>> crcTable;
        // The drawing services' extension object, made on first use.
        VMStaticPtr<platform::ExtendedGraphics> extendedGraphics;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // --- settings ---
    jboolean settingsLoaded = false;
    jboolean soundEnabled = false;
    jboolean vibrationEnabled = false;
    jboolean backlightEnabled = false;
    // --- core ---
    jboolean sizeChangePending = false;
    jboolean repaintRequested = false;
    jboolean repaintAll = false;
    jboolean runnablesPending = false;
    jboolean networkResultPending = false;
    jint networkResultCode = 0;
    // --- frame timing ---
    jint desiredFrameTime = 0;
    jint frameTimeCap = 0;
    jint targetFrameTime = 0;
    jint maxFrameTime = 0;
    jint frameTime = 0;
    jint frameSlack = 0;
    jlong lastFrameStamp = 0;
    jboolean timerResetRequested = false;
    // --- pause ---
    jint pauseState = 0;
    jlong pauseTime = 0;
    jint lifecycleState = 0;
    // --- keys ---
    jboolean anyKeyPressed = false;
    jboolean anyKeyPressedInFrame = false;
    jint pressedMaskCache = 0;
    jint heldMaskCache = 0;
    jint releasedMaskCache = 0;
    // --- game area ---
    jint requestedAreaWidth = 0;
    jint requestedAreaHeight = 0;
    jint gameAreaX = 0;
    jint gameAreaY = 0;
    jint gameAreaWidth = 0;
    jint gameAreaHeight = 0;

    // Starts the game thread, which waits for the first show.
    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner);

    // The game thread's body.
    void run() override;
    // Once per shown frame on the game thread, in this order. paintGame gets
    // the screen's Graphics translated to the game area and clipped to it.
    virtual void update() = 0;
    virtual void paintGame(const VMPtr<javax::microedition::lcdui::Graphics>& g) = 0;
    // The system-event hook (the EVENT_ codes). The base ends the application
    // on EVENT_EXIT and forgets keys and frame timing on started, paused
    // and resumed.
    virtual void onEvent(jint code);
    // Everything is drawn on the game thread.
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;

    // Sleeps through the game clock; nothing for ms <= 0, a yield first for
    // 50 ms and more; an interruption ends the sleep early, unreported.
    static void sleep(jint ms);
    // Ends the application's run: the game thread stops at its next check.
    virtual void exit();

    // Work other threads hand to the game thread, delivered once per frame.
    virtual void processDeferred();
    virtual void queueRunnable(const VMPtr<java::lang::Runnable>& r);
    // A network result for the game thread; an empty array arrives as null.
    // A later result replaces one not delivered yet.
    virtual void setNetworkResult(jint code, const VMPtr<VMArray<jbyte>>& data);
    virtual void clearNetworkResult();
    virtual void onNetworkTransferComplete(jint code, const VMPtr<VMArray<jbyte>>& data);
    virtual void onSocketData(const VMPtr<VMArray<jbyte>>& data, jint length);

    // --- network and socket sessions ---
    // Starts an HTTP exchange on a thread of its own, replacing the current
    // one (which then delivers nothing): a GET when postData is null, else a
    // POST of it; `headers` are "name: value" lines separated by LF, or
    // null. The result reaches onNetworkTransferComplete on the game thread.
    virtual void startHttpRequest(const VMPtr<java::lang::String>& url,
                                  const VMPtr<java::lang::String>& headers,
                                  const VMPtr<VMArray<jbyte>>& postData);
    virtual void startHttpRequest(const VMPtr<java::lang::String>& url,
                                  const VMPtr<java::lang::String>& headers);
    // Drops the current exchange and a result not delivered yet.
    virtual void cancelHttpRequest();
    // Of the current exchange: the announced body length (-1 while unknown)
    // and the bytes read (-1 after a failure); 0 when there is none.
    virtual jint getHttpContentLength();
    virtual jint getHttpBytesReceived();
    // Opens "socket://" + address on a new session, closing the current one
    // first; data arrives through onSocketData on the session's reader.
    virtual void openSocket(const VMPtr<java::lang::String>& address);
    virtual void closeSocket();
    // Queues `length` bytes of `data` from `offset` for the session's
    // writer; the array is sent as it is then, so it must stay unchanged
    // until sent. 0 when queued; -1 when there is no open session; -2 for a
    // message the queue cannot carry (null, outside the array, longer than
    // 65535 bytes or from an offset above 32767), which is not sent at all.
    virtual jint sendSocketData(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length);

    // The steps of the loop.
    virtual void paintFrame(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    virtual jboolean updateScreenSize();
    virtual void checkSizeChanged();
    virtual void initTouchInput();

    // --- frame timing ---
    // The frame clock in milliseconds.
    static jlong tickTime();
    // Paces the loop: may sleep; sets frameTime.
    virtual void frameTimer();
    // The last frame's duration, between the target and the maximum.
    virtual jint getFrameTime();
    virtual void setDesiredFrameTime(jint ms);
    virtual void setFrameTimeCap(jint ms);
    // The next frame starts the timer afresh; getFrameTime() is the target
    // at once.
    virtual void resetFrameTimer();
    virtual void updateFrameLimits();

    // --- pause, resume and system events ---
    void showNotify() override;
    void hideNotify() override;
    void sizeChanged(jint w, jint h) override;
    // Records a request from any thread: 1 pause, 2 resume, 3 exit; any
    // other kind goes to onEvent as it is.
    virtual void interrupt(jint kind);
    // Hands the URL to the platform with every sound stopped, and exits
    // when the platform can act on it only after the application ends.
    // True, or false when any of that threw.
    virtual jboolean platformRequest(const VMPtr<java::lang::String>& url);
    // The game thread's handling of a pending request; may wait.
    virtual void updatePauseState();

    // --- keys ---
    void keyPressed(jint code) override;
    void keyReleased(jint code) override;
    void keyRepeated(jint code) override;
    void pointerPressed(jint x, jint y) override;
    void pointerReleased(jint x, jint y) override;
    void pointerDragged(jint x, jint y) override;
    // A stylus event for the touch key regions, then for the pointer event
    // queue when it is enabled. kind: 1 pressed, 2 dragged, 3 released.
    virtual void onPointer(jint pointer, jint x, jint y, jint kind, jlong time);
    // action 1 pressed, 2 released; letters fold onto keypad keys.
    virtual void foldKeyAlias(jint code, jint action);
    virtual void onKeyEvent(jint code, jboolean pressed);
    virtual void setKeyState(jint slot, jboolean pressed);
    // A key number (virtual 1..63 or negative -1..-64) without the key map.
    virtual void pressKey(jint key);
    virtual void releaseKey(jint key);
    virtual void tapKey(jint code);
    // The per-frame snapshot every query of the frame reads.
    virtual void updateKeys();
    // Forgets every key: the frame sees none, the next snapshot reports the
    // held ones released.
    virtual void resetKeys();
    virtual jint getSnapshotState(jint key);
    virtual jboolean isKeyPressed(jint key);
    virtual jboolean isKeyHeld(jint key);
    virtual jboolean isKeyReleased(jint key);
    virtual jint getKeyPressCount(jint key);
    // Bit k for each virtual key k in 1..31.
    virtual jint getPressedMask();
    virtual jint getHeldMask();
    virtual jint getReleasedMask();
    // The lowest such virtual key in 1..31, or 0.
    virtual jint getFirstPressedKey();
    virtual jint getFirstHeldKey();
    virtual jint getFirstReleasedKey();
    virtual jboolean wasAnyKeyPressed();
    // Virtual keys for the game's own use, 63 down to 41, then 0.
    static jint allocateVirtualKey();
    // The slot of a key number in the state arrays, or -1.
    static jint keySlot(jint key);

    // --- game area ---
    // Centres a w by h area on the screen (below 1: the screen's size).
    virtual void setGameAreaSize(jint w, jint h);
    virtual void setGameAreaPosition(jint x, jint y);
    virtual void setGameAreaX(jint x);
    virtual void setGameAreaY(jint y);
    virtual void setGameAreaWidth(jint w);
    virtual void setGameAreaHeight(jint h);
    virtual jint getGameAreaX();
    virtual jint getGameAreaY();
    virtual jint getGameAreaWidth();
    virtual jint getGameAreaHeight();
    virtual jint getScreenWidth();
    virtual jint getScreenHeight();
    virtual void resetClip(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    virtual void setClipInGameArea(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x,
                                   jint y, jint w, jint h);
    virtual void invalidate();
    virtual jboolean isRepaintAll();

    // --- accessors and helpers ---
    virtual VMPtr<javax::microedition::midlet::MIDlet> getMIDlet();
    // Touching edges do not intersect.
    static jboolean rectsIntersect(jint x1, jint y1, jint w1, jint h1, jint x2, jint y2, jint w2,
                                   jint h2);
    // The offset of a w by h region drawn with the transform flags (1 mirrors
    // vertically, 2 horizontally, 4 swaps the axes).
    virtual jint transformX(jint x, jint y, jint w, jint h, jint transform);
    virtual jint transformY(jint x, jint y, jint w, jint h, jint transform);
    virtual void setIdleTimeoutEnabled(jboolean enabled);
    virtual jint getOrientation();
    virtual jboolean setOrientation(jint code);

    // --- saved data ---
    // Items of bytes under int ids, kept across runs: each in the record
    // store named by the id's decimal text, cut into records of 4096 bytes
    // (the last holds the rest; an empty item is a store with no records).
    // None of them throws: a failure is false or null.
    //
    // Replaces the item `id` by `data`, or deletes it when `data` is null.
    // The new data is written whole into a staging store first, which then
    // replaces the item's store in one step: a save that fails or is cut
    // short leaves the previous item as it was.
    virtual jboolean saveData(jint id, const VMPtr<VMArray<jbyte>>& data);
    // The item, or null when there is none or it cannot be read whole.
    virtual VMPtr<VMArray<jbyte>> loadData(jint id);
    // What readData found, in `outcome`[0]: the item read whole; no item;
    // a store of the item's name that no save wrote (records cut otherwise
    // than a save cuts them); a store that is there but cannot be read
    // (the device refuses it, an input/output failure).
    static constexpr jint DATA_READ = 0;
    static constexpr jint DATA_MISSING = 1;
    static constexpr jint DATA_DAMAGED = 2;
    static constexpr jint DATA_UNREADABLE = 3;
    // loadData, telling apart why there is no item; `outcome` may be null.
    virtual VMPtr<VMArray<jbyte>> readData(jint id, const VMPtr<VMArray<jint>>& outcome);
    // Moves the item's store, whatever it holds, out of the item's way to a
    // store of a name no load, save or deleteAllData ever touches: the id's
    // text and ".damaged" (then the first free of "-2" ... "-999"). A name
    // is free when one listing of the stores does not show it and the
    // rename, which never replaces anything, finds nothing there either (a
    // file or a link by that name keeps it, and the next name is tried).
    // That store's name, or null when there was no store or it could not be
    // moved (it is then where it was); why, in `outcome`[0] when it is not
    // null: moved; no store; every name of a copy taken already; any other
    // failure (the stores can't be listed, the device refuses the rename).
    // After a read that found the store unreadable, and after any other
    // failure of a set-aside, the record stores' fault (RecordStore::
    // getFault) is the one the failing call left: it tells why.
    static constexpr jint ASIDE_MOVED = 0;
    static constexpr jint ASIDE_NO_STORE = 1;
    static constexpr jint ASIDE_NO_NAME_LEFT = 2;
    static constexpr jint ASIDE_FAILED = 3;
    // How many copies of one item can be set aside.
    static constexpr jint MAX_SET_ASIDE_COPIES = 999;
    virtual VMPtr<java::lang::String> setAsideData(jint id, const VMPtr<VMArray<jint>>& outcome);
    virtual jboolean deleteData(jint id);
    // Deletes every store whose name is a decimal int, and the staging
    // stores saves of such ids left; other stores stay.
    virtual jboolean deleteAllData();

    // The font text is measured and drawn in unless told otherwise: getFont().
    virtual VMPtr<util::text::RichFont> getDefaultFont();

    // --- the serializer and number formatting ---
    static void writeByte(jint v);
    static void writeShort(jint v);    // big-endian
    static void writeInt(jint v);      // big-endian
    static void writeShortLE(jint v);  // low byte first
    static void writeIntLE(jint v);    // lowest byte first
    static void writeBoolean(jboolean b);
    static jbyte readByte();  // sign-extended
    static jint readInt();    // big-endian
    static jboolean readBoolean();

    // Inserts the decimal form of `value` at `position`: a minus sign first
    // when negative (it does not count as a digit), then the digits, padded
    // with zeros in front to `minDigits` when the magnitude is below 65536;
    // larger magnitudes are never padded.
    static void insertNumber(const VMPtr<java::lang::StringBuffer>& sb, jint value, jint minDigits,
                             jint position);
    static void appendNumber(const VMPtr<java::lang::StringBuffer>& sb, jint value, jint minDigits);
    static void appendNumber(const VMPtr<java::lang::StringBuffer>& sb, jint value);

    // Integer.parseInt, or `defaultValue` for a null, empty, malformed or
    // out-of-range text.
    static jint parseInt(const VMPtr<java::lang::String>& s, jint defaultValue, jint radix);
    static jint parseInt(const VMPtr<java::lang::String>& s, jint defaultValue);

    // --- checksums, sorting and pixels ---
    // Continues an Adler-32 over the bytes; start with 1.
    static jint adler32(jint adler, const VMPtr<VMArray<jbyte>>& data, jint offset, jint length);
    // Continues the reflected CRC-32 of PNG and zip over the bytes; the caller
    // inverts before and after.
    static jint crc32(jint crc, const VMPtr<VMArray<jbyte>>& data, jint offset, jint length);
    // Sorts a[0..n-1] ascending (a comb sort).
    static void sortInts(const VMPtr<VMArray<jint>>& a, jint n);
    // The index of `key` in the sorted a[0..last], or where it would go.
    static jint binarySearch(const VMPtr<VMArray<jint>>& a, jint last, jint key);
    // Whether some pixel's alpha is below 0xF0.
    static jboolean hasAlpha(const VMPtr<VMArray<jint>>& argb);
    // 1: all opaque; 2: only clear pixels besides opaque ones; 3: some
    // partly transparent pixel. Alpha is judged by its top four bits.
    static jint getAlphaKind(const VMPtr<VMArray<jint>>& argb, jint offset, jint scanlength,
                             jint x, jint y, jint width, jint height);

    // --- platform services ---
    // The settings hook: the first call turns sound, vibration and the
    // backlight on. Callers pass 0 before they read or change a setting and
    // 1 after they changed one; a game canvas may load and keep them here.
    virtual void syncSettings(jint phase);
    virtual void setVibrationEnabled(jboolean enabled);
    virtual jboolean isVibrationEnabled();
    virtual void setBacklightEnabled(jboolean enabled);
    virtual jboolean isBacklightEnabled();
    // Effects of the MIDlet's Display, each only while its setting is on.
    virtual void vibrate(jint duration);
    virtual void flashBacklight(jint duration);
    // Asks the system to start the MIDlet `seconds` from now (0 or less:
    // clears the alarm); false when the system refuses, which this one
    // always does.
    virtual jboolean registerAlarm(jint seconds);

    // --- drawing and image services over MIDP ---
    virtual void fillTriangle(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x1,
                              jint y1, jint x2, jint y2, jint x3, jint y3);
    virtual VMPtr<javax::microedition::lcdui::Image> createImage(jint width, jint height,
                                                                 jboolean withAlpha,
                                                                 jint fillColour);
    // Graphics.drawRGB at the translated position, with the translation taken
    // off during the call.
    static void drawRGB(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                        const VMPtr<VMArray<jint>>& rgb, jint offset, jint scanLength, jint x,
                        jint y, jint width, jint height, jboolean processAlpha);
    // The region's pixels at (x, y), untransformed, anchored top-left.
    static void drawImageRegion(const VMPtr<javax::microedition::lcdui::Image>& image, jint xSrc,
                                jint ySrc, jint width, jint height,
                                const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x,
                                jint y);
    static VMPtr<javax::microedition::lcdui::Image> createRGBImage(const VMPtr<VMArray<jint>>& rgb,
                                                                   jint width, jint height,
                                                                   jboolean processAlpha);
    static void getRGB(const VMPtr<javax::microedition::lcdui::Image>& image,
                       const VMPtr<VMArray<jint>>& rgb, jint offset, jint scanLength, jint x,
                       jint y, jint width, jint height);
    // The image as indices into `palette`, which receives its distinct
    // colours in reading order; a magenta key colour (0xF000F0 in the top
    // nibbles, alpha aside) is moved to index 0. IllegalArgumentException,
    // with the palette and nothing else changed, when the image has more
    // colours than the palette holds.
    static VMPtr<VMArray<jbyte>> toIndexedPixels(const VMPtr<javax::microedition::lcdui::Image>& image,
                                                 const VMPtr<VMArray<jint>>& palette);
    // Text of one to three bytes a character (modified UTF-8). It stops at
    // the length: a byte that starts no character becomes U+0000 and is
    // passed, and a character cut off by the end becomes U+0000 and ends
    // the text.
    static VMPtr<java::lang::String> decodeUtf8(const VMPtr<VMArray<jbyte>>& data, jint offset,
                                                jint length);

    // --- level renderer: tile map, scenery and sprite lists ---
    // Grid values: v > 0 draws tile v, 0 nothing, v < 0 the tile of alias ~v.
    jint mapWidth = 0;
    jint mapHeight = 0;
    jint tileWidth = 0;
    jint tileHeight = 0;
    // The view origin, kept negated.
    jint viewOriginX = 0;
    jint viewOriginY = 0;
    // The view's extent in pixels; 0 for any size below 1.
    jint viewWidth = 0;
    jint viewHeight = 0;
    jint sceneryCount = 0;
    jint sceneryMargin = 0;
    jboolean scenerySortNeeded = false;
    jboolean sceneryVertical = false;
    jint spriteCount = 0;
    jint spriteMark = 0;

    // The origin with the sign the caller gave.
    virtual void setViewOrigin(jint x, jint y);
    virtual jint getViewOriginX();
    virtual jint getViewOriginY();
    // A negative size also drops the map (tile set, its cut and the grid
    // with its aliases) and answers true.
    virtual jboolean setViewSize(jint width, jint height);
    virtual jint getTileWidth();
    virtual jint getTileHeight();
    virtual jint getMapWidth();
    virtual jint getMapHeight();
    virtual void setTileAlias(jint aliasId, jint tile);
    virtual jint getTileAlias(jint aliasId);
    virtual void setTile(jint column, jint row, jint value);
    virtual jint getTile(jint column, jint row);
    // True when the new set has fewer tiles, which clears the grid and aliases.
    virtual jboolean setTileSet(const VMPtr<javax::microedition::lcdui::Image>& image,
                                jint tileW, jint tileH);
    virtual void addSprite(const VMPtr<Gob>& gob, jint x, jint y, jint transform);
    virtual void fillTiles(jint column, jint row, jint width, jint height, jint value);
    virtual void createMap(jint width, jint height,
                           const VMPtr<javax::microedition::lcdui::Image>& image, jint tileW,
                           jint tileH);
    // The new alias id: -1 for the first, -2 for the second...
    virtual jint addTileAlias(jint tile);
    // While set, paintMap draws only the sprites added since its last full
    // paint, over the picture already on the target; a game canvas sets it.
    jboolean overlayMode = false;
    // Draws the view (its origin as setViewOrigin keeps it, its size as
    // setViewSize gave it) at g's origin, where g's clip allows: tiles, then
    // scenery, then sprites. A view reaching past an end of the map is drawn
    // as if shifted back onto it, with g shifted the other way, so every
    // world pixel stays where it would be; tiles are drawn only where the
    // map is. Origin, translation and mapGraphics are as before afterwards.
    virtual void paintMap(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    // New lists; capacity 0 leaves them without arrays.
    virtual void initSprites(jint capacity);
    virtual void initScenery(jint capacity);
    // No capacity check: callers stay below what initScenery was given.
    virtual void addScenery(const VMPtr<Gob>& gob, jint x, jint y, jint transform);
    jint resolveTile(jint value);
    jint getSceneryX(jint index);
    jint getSceneryY(jint index);
    void paintTiles(jint x, jint y, jint destX, jint destY, jint width, jint height);
    void paintScenery(jint viewX, jint viewY, jint destX, jint destY, jint width, jint height);
    void paintSprites(jint viewX, jint viewY, jint destX, jint destY, jint width, jint height,
                      jboolean newOnly);
    // Variable-length numbers of levelStream: FF then 16 bits unsigned, or
    // 80 then 16 bits signed.
    jint readVarU8();
    jint readVarS8();
    static VMPtr<VMArray<jshort>> appendShort(const VMPtr<VMArray<jshort>>& a, jshort v);
    static VMPtr<VMArray<jint, 2>> appendIntRow(const VMPtr<VMArray<jint, 2>>& a,
                                                const VMPtr<VMArray<jint>>& row);
    static VMPtr<VMArray<jbyte, 2>> appendByteRow(const VMPtr<VMArray<jbyte, 2>>& a,
                                                  const VMPtr<VMArray<jbyte>>& row);
    static VMPtr<VMArray<jchar, 2>> appendCharRow(const VMPtr<VMArray<jchar, 2>>& a,
                                                  const VMPtr<VMArray<jchar>>& row);
    static VMPtr<VMArray<jshort>> ensureShortLength(const VMPtr<VMArray<jshort>>& a, jint n);
    static void selectIntRows(const VMPtr<VMArray<jint, 2>>& src,
                              const VMPtr<VMArray<jchar>>& indices,
                              const VMPtr<VMArray<jint, 2>>& dst);
    static void selectByteRows(const VMPtr<VMArray<jbyte, 2>>& src,
                               const VMPtr<VMArray<jchar>>& indices,
                               const VMPtr<VMArray<jbyte, 2>>& dst);
    static void selectCharRows(const VMPtr<VMArray<jchar, 2>>& src,
                               const VMPtr<VMArray<jchar>>& indices,
                               const VMPtr<VMArray<jchar, 2>>& dst);

    // --- canvas animation tables and lightweight players ---
    jint currentSet = 0;
    jint lastMoveX = 0;
    jint lastMoveY = 0;

    virtual jint getFrameCount(jint setKey);
    virtual void copyPlayer(jint from, jint to);
    virtual jint getFrameBoxCount(jint setKey, jint frame);
    virtual void setStep(jint player, jint step);
    virtual jint getElapsedTime(jint player);
    virtual jint getStepCount(jint player);
    virtual void setAnimSetKept(jint setKey, jboolean keep);
    // Drops every set without its keep flag; players of a dropped or moved
    // set must be started again.
    virtual void compactAnimSets();
    virtual jint getAnimation(jint player);
    virtual jint getStep(jint player);
    virtual void ensurePlayers(jint count);
    // False once the player has stopped.
    virtual jboolean updatePlayer(jint player, jint elapsedMs);
    virtual void startAnimation(jint player, jint setKey, jint animation);
    virtual jint getShownStep(jint player);
    // The set's row, or -1.
    jint findAnimSet(jint setKey);
    // Selects the player's set and answers its shown frame.
    jint selectPlayerFrame(jint player);
    void computeFrameBounds(const VMPtr<VMArray<Gob*>>& gobs, jint frame, jint transform,
                            const VMPtr<VMArray<jint>>& bounds);
    void paintFramePieces(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                          const VMPtr<VMArray<Gob*>>& gobs, jint frame, jint x, jint y,
                          jint transform);
    jint getFrameBoxes(const VMPtr<VMArray<jshort>>& out, jint frame, jint transform,
                       jboolean filter, jint type);

    // Entry points over the players and loaded sets. A player without steps
    // draws nothing, reports no pieces or boxes and leaves bounds alone.
    virtual void paintPlayer(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                             const VMPtr<VMArray<Gob*>>& gobs, jint player, jint x, jint y,
                             jint transform);
    virtual void paintSetFrame(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                               const VMPtr<VMArray<Gob*>>& gobs, jint setKey, jint frame, jint x,
                               jint y, jint transform);
    // bounds = left, top, width, height, moved by (x, y).
    virtual void getPlayerBounds(const VMPtr<VMArray<Gob*>>& gobs, jint player, jint x, jint y,
                                 jint transform, const VMPtr<VMArray<jint>>& bounds);
    virtual void getSetFrameBounds(jint setKey, jint frame, const VMPtr<VMArray<Gob*>>& gobs,
                                   jint transform, const VMPtr<VMArray<jint>>& bounds);
    // Four shorts a piece while they fit: Gob index, dx, dy under the
    // transform, piece transform ^ transform. The frame's piece count, also
    // when out was too short.
    virtual jint getPlayerPieces(jint player, const VMPtr<VMArray<jshort>>& out, jint transform);
    // Every box of the shown frame, or only those of `type`; how many were written.
    virtual jint getPlayerBoxes(jint player, const VMPtr<VMArray<jshort>>& out);
    virtual jint getPlayerBoxes(jint player, const VMPtr<VMArray<jshort>>& out, jint type);
    virtual jint getSetFrameBoxes(jint setKey, jint frame, const VMPtr<VMArray<jshort>>& out);
    virtual jint getSetFrameBoxes(jint setKey, jint frame, const VMPtr<VMArray<jshort>>& out,
                                  jint type);

    // --- resource and table loading ---
    virtual VMPtr<VMArray<Gob*>> loadGobs(jint id);
    virtual VMPtr<VMArray<Gob*>> loadGobs(jint id, const VMPtr<VMArray<jbyte>>& palette);
    virtual VMPtr<javax::microedition::lcdui::Image> getImage(jint id);
    virtual VMPtr<javax::microedition::lcdui::Image> getImage(jint id,
                                                              const VMPtr<VMArray<jbyte>>& palette);
    virtual VMPtr<VMArray<jbyte>> getData(jint id);
    virtual VMPtr<java::io::DataInputStream> openStream(jint id);
    virtual jboolean loadPack(const VMPtr<java::io::DataInputStream>& in);
    // Adds the set to the packed tables unless its key is loaded. A set
    // that fails to read keeps its key and gets a row, empty or partly
    // filled, in every table, so the rows of later sets stay theirs.
    virtual void loadPackedAnimation(jint id);
    // Replaces the text table by the resource's records; -1 only clears it.
    virtual void loadTexts(jint id);
    // Record `index` of the text table: the decoded one when the table is
    // decoded, else decoded now from its bytes; null when they do not
    // decode. The index must lie inside the table.
    virtual VMPtr<java::lang::String> getText(jint index);
    // A whole PNG file of 8-bit indexed pixels, stored uncompressed.
    // `palette` is PLTE data followed by 4 bytes of CRC.
    static VMPtr<VMArray<jbyte>> buildIndexedPng(const VMPtr<VMArray<jbyte>>& pixels, jint offset,
                                                 jint stride, jint width, jint height,
                                                 const VMPtr<VMArray<jbyte>>& palette,
                                                 jint transparentIndex);
    static jint pngCrc(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length);
    // Rewrites the last 4 bytes of a replacement palette as its PLTE CRC.
    static void updatePaletteCrc(const VMPtr<VMArray<jbyte>>& palette);

    // --- text over the rich font ---
    // The font every text entry below measures and draws with: a system
    // font of style 1, made on the first request. A game canvas that
    // overrides it changes the font of all of them.
    virtual VMPtr<util::text::RichFont> getFont();
    // Widths. The font has no inline codes, so the styled and the plain
    // entries measure alike; both are kept for the game's callers.
    virtual jint charWidth(jchar ch);
    virtual jint charsWidth(const VMPtr<VMArray<jchar>>& data, jint offset, jint length);
    virtual jint stringWidth(const VMPtr<java::lang::String>& s);
    virtual jint substringWidth(const VMPtr<java::lang::String>& s, jint offset, jint length);
    virtual jint stringBufferWidth(const VMPtr<java::lang::StringBuffer>& sb);
    virtual jint plainCharWidth(jchar ch);
    virtual jint plainCharsWidth(const VMPtr<VMArray<jchar>>& data, jint offset, jint length);
    virtual jint plainStringWidth(const VMPtr<java::lang::String>& s);
    virtual jint plainSubstringWidth(const VMPtr<java::lang::String>& s, jint offset, jint length);
    virtual jint plainStringBufferWidth(const VMPtr<java::lang::StringBuffer>& sb);
    virtual jint getFontHeight();
    virtual jint getFontBaseline();
    // bounds[0..3] = x, y, width and height of the text drawn at (x, y)
    // with the anchor.
    virtual void getStringBounds(const VMPtr<java::lang::String>& s, jint x, jint y,
                                 const VMPtr<VMArray<jint>>& bounds, jint anchor);
    virtual void getStringBufferBounds(const VMPtr<java::lang::StringBuffer>& sb, jint x, jint y,
                                       const VMPtr<VMArray<jint>>& bounds, jint anchor);
    virtual void drawChar(const VMPtr<javax::microedition::lcdui::Graphics>& g, jchar ch, jint x,
                          jint y, jint anchor);
    virtual void drawChars(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                           const VMPtr<VMArray<jchar>>& data, jint offset, jint length, jint x,
                           jint y, jint anchor);
    virtual void drawString(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                            const VMPtr<java::lang::String>& s, jint x, jint y, jint anchor);
    virtual void drawSubstring(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                               const VMPtr<java::lang::String>& s, jint offset, jint length,
                               jint x, jint y, jint anchor);
    virtual void drawStringBuffer(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                                  const VMPtr<java::lang::StringBuffer>& sb, jint x, jint y,
                                  jint anchor);
    // The decimal value, zero-padded to minDigits.
    virtual void drawNumber(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint value,
                            jint minDigits, jint x, jint y, jint anchor);
    // The system font's style index, 0..5; another index is the font's
    // IllegalArgumentException and changes nothing.
    virtual jint getFontStyle();
    virtual void setFontStyle(jint index);
    // The font's glyph set, or null while it is a system font; null makes
    // it a system font again.
    virtual VMPtr<VMArray<Gob*>> getBitmapFont();
    virtual void setBitmapFont(const VMPtr<VMArray<Gob*>>& glyphs);
    virtual VMPtr<Gob> getGlyph(jchar ch);

    // --- fills over the platform extension ---
    // The one extension object the drawing services share.
    static VMPtr<platform::ExtendedGraphics> getExtendedGraphics();
    // From colour1 to colour2, both made opaque: across steps the colour
    // column by column from the left edge, down row by row from the top.
    static void fillGradientAcrossStatic(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                                         jint x, jint y, jint width, jint height, jint colour1,
                                         jint colour2);
    static void fillGradientDownStatic(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                                       jint x, jint y, jint width, jint height, jint colour1,
                                       jint colour2);
    virtual void fillGradientAcross(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x,
                                    jint y, jint width, jint height, jint colour1, jint colour2);
    virtual void fillGradientDown(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x,
                                  jint y, jint width, jint height, jint colour1, jint colour2);
    // fillGradientDown on the image's own Graphics (a mutable image).
    virtual void fillGradientDownInImage(const VMPtr<javax::microedition::lcdui::Image>& image,
                                         jint x, jint y, jint width, jint height, jint colour1,
                                         jint colour2);
    // In the current colour at `alpha` (0..255); the Graphics keeps its own
    // alpha.
    virtual void fillTriangleAlpha(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x1,
                                   jint y1, jint x2, jint y2, jint x3, jint y3, jint alpha);
    virtual void fillRectAlpha(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
                               jint width, jint height, jint alpha);
    // Hands the values to the platform's transform, which draws nothing
    // differently on this system; resetTransform passes the identity
    // (no offsets, scale 1).
    virtual void setTransform(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint a, jint b,
                              jint c, jint d, jint e);
    virtual void resetTransform(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    // Second entries with the gradients' own bodies, not calls of the
    // first: an override of either entry leaves the other as it is.
    virtual void fillGradientAcrossAlias(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                                         jint x, jint y, jint width, jint height, jint colour1,
                                         jint colour2);
    virtual void fillGradientDownAlias(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x,
                                       jint y, jint width, jint height, jint colour1, jint colour2);

    // --- second entries ---
    // The game may call either entry. Each of these but getOrientationAlias
    // calls its first entry virtually with the same arguments, so a game
    // canvas's override of the first serves both, and one of the second
    // leaves the first as it is. The gradients' and createImageFromData's
    // second entries are declared with their first ones and have bodies of
    // their own.
    virtual jboolean saveDataAlias(jint id, const VMPtr<VMArray<jbyte>>& data);
    virtual VMPtr<VMArray<jbyte>> loadDataAlias(jint id);
    virtual void resetClipAlias(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    virtual void setClipInGameAreaAlias(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                                        jint x, jint y, jint w, jint h);
    virtual void vibrateAlias(jint duration);
    virtual void flashBacklightAlias(jint duration);
    virtual VMPtr<java::lang::String> getTextAlias(jint index);
    virtual void paintPlayerAlias(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                                  const VMPtr<VMArray<Gob*>>& gobs, jint player, jint x, jint y,
                                  jint transform);
    virtual void getPlayerBoundsAlias(const VMPtr<VMArray<Gob*>>& gobs, jint player, jint x, jint y,
                                      jint transform, const VMPtr<VMArray<jint>>& bounds);
    virtual void updateKeysAlias();
    virtual void resetKeysAlias();
    virtual jboolean isKeyPressedAlias(jint key);
    virtual jboolean isKeyHeldAlias(jint key);
    virtual jboolean isKeyReleasedAlias(jint key);
    virtual jint getKeyPressCountAlias(jint key);
    virtual jint getPressedMaskAlias();
    virtual jint getHeldMaskAlias();
    virtual jint getReleasedMaskAlias();
    virtual jboolean wasAnyKeyPressedAlias();
    virtual jboolean isRepaintAllAlias();
    virtual void invalidateAlias();
    virtual void setDesiredFrameTimeAlias(jint ms);
    virtual void setFrameTimeCapAlias(jint ms);
    virtual jint getFrameTimeAlias();
    virtual void resetFrameTimerAlias();
    // setGameAreaSize, setGameAreaWidth and setGameAreaHeight have two
    // second entries each.
    virtual void setGameAreaSizeAlias(jint w, jint h);
    virtual void setGameAreaSizeAlias2(jint w, jint h);
    virtual void setGameAreaPositionAlias(jint x, jint y);
    virtual void setGameAreaXAlias(jint x);
    virtual void setGameAreaYAlias(jint y);
    virtual void setGameAreaWidthAlias(jint w);
    virtual void setGameAreaWidthAlias2(jint w);
    virtual void setGameAreaHeightAlias(jint h);
    virtual void setGameAreaHeightAlias2(jint h);
    virtual jint getGameAreaXAlias();
    virtual jint getGameAreaYAlias();
    virtual jint getGameAreaWidthAlias();
    virtual jint getGameAreaHeightAlias();
    virtual void setVibrationEnabledAlias(jboolean enabled);
    virtual void setBacklightEnabledAlias(jboolean enabled);
    virtual jboolean platformRequestAlias(const VMPtr<java::lang::String>& url);
    // The display orientation, asked of the platform itself like the first
    // entry rather than through it.
    virtual jint getOrientationAlias();
    virtual void objectHook1Alias(const VMPtr<java::lang::Object>& o);
    virtual void objectHook2Alias(const VMPtr<java::lang::Object>& o);
    virtual void objectHook3Alias(const VMPtr<java::lang::Object>& o);
    virtual jlong longHookAlias();

    // --- hooks a game canvas may fill ---
    // The base does nothing with the objects.
    virtual void objectHook1(const VMPtr<java::lang::Object>& o);
    virtual void objectHook2(const VMPtr<java::lang::Object>& o);
    virtual void objectHook3(const VMPtr<java::lang::Object>& o);
    // 0 in the base.
    virtual jlong longHook();

    // --- logging ---
    // The level of the entries that give none.
    static constexpr jint LOG_LEVEL_DEFAULT = 0;
    // Where every log entry ends. The framework logs nothing; a game canvas
    // that wants the messages overrides this.
    virtual void logMessage(jint level, const VMPtr<java::lang::String>& text,
                            const VMPtr<java::lang::Object>& detail);
    virtual void log(const VMPtr<java::lang::String>& text);
    virtual void log(const VMPtr<java::lang::String>& text,
                     const VMPtr<java::lang::String>& detail);
    // Null: the framework keeps no list of texts to hand out. It takes the
    // canvas's monitor as the game's callers expect.
    virtual VMPtr<VMArray<java::lang::String*>> getStrings();

    // --- virtual entries of the static image helpers ---
    // The static bodies keep their names for the framework's own callers;
    // these are the entries a game canvas can override.
    virtual void drawImageRegionEntry(const VMPtr<javax::microedition::lcdui::Image>& image,
                                      jint xSrc, jint ySrc, jint width, jint height,
                                      const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x,
                                      jint y);
    // The same with the Graphics first.
    virtual void drawImageRegionEntry(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                                      const VMPtr<javax::microedition::lcdui::Image>& image,
                                      jint xSrc, jint ySrc, jint width, jint height, jint x,
                                      jint y);
    virtual void drawRGBEntry(const VMPtr<javax::microedition::lcdui::Graphics>& g,
                              const VMPtr<VMArray<jint>>& rgb, jint offset, jint scanLength, jint x,
                              jint y, jint width, jint height, jboolean processAlpha);
    virtual VMPtr<javax::microedition::lcdui::Image> createRGBImageEntry(
        const VMPtr<VMArray<jint>>& rgb, jint width, jint height, jboolean processAlpha);
    virtual void getRGBEntry(const VMPtr<javax::microedition::lcdui::Image>& image,
                             const VMPtr<VMArray<jint>>& rgb, jint offset, jint scanLength, jint x,
                             jint y, jint width, jint height);
    virtual void updatePaletteCrcEntry(const VMPtr<VMArray<jbyte>>& palette);

    // --- resource forwards ---
    // Those of Resources, results and exceptions unchanged.
    virtual VMPtr<VMArray<jbyte>> savePack(const VMPtr<VMArray<jbyte, 2>>& entries,
                                           const VMPtr<VMArray<jbyte>>& types);
    virtual VMPtr<VMArray<jbyte>> readPalette(jint id);
    virtual VMPtr<AnimSet> loadAnimSet(jint id);
    virtual VMPtr<VMArray<jbyte>> getImageAsBMP(jint id);
    // The entry's type byte (sign-extended) and size in bytes, and the
    // index its PNG's tRNS chunk makes fully transparent (-1: none).
    virtual jint getResourceType(jint id);
    virtual jint getResourceSize(jint id);
    virtual jint getTransparentIndex(jint id);
    virtual void closePack();
    // The pack saved under the record-store id becomes the current pack.
    virtual jboolean loadStoredPack(jint recordId);
    // 8-bit indexed pixels, written as a PNG (buildIndexedPng) and decoded
    // into an Image. Two entries with one body: an override of either
    // leaves the other as it is.
    virtual VMPtr<javax::microedition::lcdui::Image> createImageFromData(
        const VMPtr<VMArray<jbyte>>& pixels, jint offset, jint stride, jint width, jint height,
        const VMPtr<VMArray<jbyte>>& palette, jint transparentIndex);
    virtual VMPtr<javax::microedition::lcdui::Image> createImageFromDataAlias(
        const VMPtr<VMArray<jbyte>>& pixels, jint offset, jint stride, jint width, jint height,
        const VMPtr<VMArray<jbyte>>& palette, jint transparentIndex);

private:
    static VMPtr<javax::microedition::lcdui::Image> imageFromIndexedPixels(
        const VMPtr<VMArray<jbyte>>& pixels, jint offset, jint stride, jint width, jint height,
        const VMPtr<VMArray<jbyte>>& palette, jint transparentIndex);
    void readPackedSet(jint size);
    // Gives every table short of `rows` rows an empty row.
    void padAnimTables(jint rows);
    jint stepOf(jint player);
    jint durationOf(jint set, jint stepIndex);
    // The application is exiting or its game thread is gone: waits end.
    static bool exiting();
    // The game thread's loop; an exception that leaves it stops the program.
    void runFrames();
    void stopOnFailure(const VMPtr<java::lang::Throwable>& failure);
    void shutDownTouchInput();
    jint keyMask(jint bits);
};

}  // namespace wren
