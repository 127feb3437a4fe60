// The media Manager: its code tables, locator parsing, what it refuses when
// making players, and the class records of the media classes.
#include <gtest/gtest.h>

#include <string>

#include "com_nimbault_marl_media_Player.h"
#include "java_lang_Class.h"
#include "javax_microedition_media_Manager.h"
#include "javax_microedition_media_MediaException.h"
#include "javax_microedition_media_control_VolumeControl.h"
#include "runtime/runtime_test_support.h"
#include "wren_platform_marl_WrenMarl.h"

namespace {

using java::lang::String;
using javax::microedition::media::Manager;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;

VMPtr<String> str(const char* s) { return s ? String::make(s) : VMPtr<String>(nullptr); }

TEST(MediaManager, ContentTypeCodesBothWays) {
    struct Case {
        const char* type;
        jint code;
    };
    const Case cases[] = {
        {nullptr, 1},          {"audio/x-wav", 2},     {"audio/x-caf", 3},
        {"audio/mpeg", 4},     {"audio/aac", 5},       {"audio/midi", 6},
        {"audio/mp4", 7},      {"audio/x-ms-wma", 8},  {"audio/vnd.qcelp", 11},
        {"AUDIO/X-WAV", 0},    {"audio/x-wav; codecs=1", 0},
        {"", 0},               {"audio/wav", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type ? c.type : "null");
        EXPECT_EQ(Manager::getContentTypeCode(str(c.type)), c.code);
        if (c.code >= 2) {
            EXPECT_EQ(text(Manager::getContentTypeName(c.code)), c.type);
        }
    }
    for (jint code : {-1, 0, 1, 9, 10, 12}) {
        SCOPED_TRACE(code);
        EXPECT_TRUE(Manager::getContentTypeName(code) == nullptr);
    }
}

TEST(MediaManager, LocatorProtocolAndPath) {
    struct Case {
        const char* locator;
        jint protocol;
        const char* path;
    };
    const Case cases[] = {
        {"x-jar:/sounds/hit.wav", 5, "/sounds/hit.wav"},
        {"file:///store/a.wav", 4, "///store/a.wav"},
        {"device://tone", 2, "//tone"},
        {"http://host/a.wav", 3, "//host/a.wav"},
        {"rtsp://host/a", 0, "//host/a"},
        {"FILE:///a.wav", 0, "///a.wav"},
        {"a:b:c", 0, "b:c"},
        {":x", 0, "x"},
        {"no-colon", 0, "<null>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locator);
        EXPECT_EQ(Manager::getLocatorProtocolCode(str(c.locator)), c.protocol);
        EXPECT_EQ(text(Manager::getLocatorPath(str(c.locator))), c.path);
    }
    EXPECT_EQ(Manager::getProtocolCode(nullptr), 1);
}

TEST(MediaManager, DeviceLocators) {
    EXPECT_EQ(text(Manager::S().MIDI_DEVICE_LOCATOR), "device://midi");
    EXPECT_EQ(text(Manager::S().TONE_DEVICE_LOCATOR), "device://tone");
}

TEST(MediaManager, LocatorPlayers) {
    VMPtr<java::lang::Throwable> t = thrownBy([] { Manager::createPlayer(nullptr); });
    EXPECT_EQ(classNameOf(t), "java.lang.IllegalArgumentException");
    EXPECT_EQ(text(t->getMessage()), "Manager.createPlayer passed null locator");

    // Only files and resources can be read here.
    for (const char* refused : {"device://tone", "device://midi", "http://host/a.wav", "a.wav"}) {
        SCOPED_TRACE(refused);
        t = thrownBy([&] { Manager::createPlayer(str(refused)); });
        EXPECT_EQ(classNameOf(t), "javax.microedition.media.MediaException");
        if (t) {
            EXPECT_TRUE(t->getMessage() == nullptr);
        }
    }

    VMPtr<javax::microedition::media::Player> p = Manager::createPlayer(str("x-jar:/a.wav"));
    ASSERT_TRUE(p != nullptr);
    EXPECT_EQ(p->getState(), javax::microedition::media::Player::UNREALIZED);
    auto* impl = dynamic_cast<com::nimbault::marl::media::Player*>(p.get());
    ASSERT_NE(impl, nullptr);
    EXPECT_EQ(impl->locatorKind, 5);
    EXPECT_EQ(text(impl->locator), "/a.wav");
}

TEST(MediaManager, ByteArrayPlayersCheckTheirRegionAndType) {
    VMPtr<VMArray<jbyte>> four = VMArray<jbyte>::create(4);
    VMPtr<VMArray<jbyte>> none = VMArray<jbyte>::create(0);
    struct Case {
        const char* what;
        VMPtr<VMArray<jbyte>> data;
        jint offset;
        jint length;
        const char* type;
        const char* thrown;
    };
    const Case cases[] = {
        {"null data", nullptr, 0, 0, nullptr, "java.lang.NullPointerException"},
        {"empty array", none, 0, 0, nullptr, "java.lang.ArrayIndexOutOfBoundsException"},
        {"offset at the end", four, 4, 0, nullptr, "java.lang.ArrayIndexOutOfBoundsException"},
        {"negative offset", four, -1, 1, nullptr, "java.lang.ArrayIndexOutOfBoundsException"},
        {"negative length", four, 0, -1, nullptr, "java.lang.ArrayIndexOutOfBoundsException"},
        {"past the end", four, 2, 3, nullptr, "java.lang.ArrayIndexOutOfBoundsException"},
        {"length overflowing", four, 1, 0x7FFFFFFF, nullptr,
         "java.lang.ArrayIndexOutOfBoundsException"},
        {"MIDI", four, 0, 4, "audio/midi", "javax.microedition.media.MediaException"},
        {"mpeg", four, 0, 4, "audio/mpeg", "javax.microedition.media.MediaException"},
        {"upper-case WAV", four, 0, 4, "AUDIO/X-WAV", "javax.microedition.media.MediaException"},
        {"no type", four, 0, 4, nullptr, "nothing"},
        {"WAV", four, 1, 3, "audio/x-wav", "nothing"},
        {"empty region", four, 3, 0, "audio/x-wav", "nothing"},
    };
    // The framework's native reaches the same operation.
    for (bool viaFramework : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (viaFramework ? " (WrenMarl)" : ""));
            VMPtr<java::lang::Throwable> t = thrownBy([&] {
                if (viaFramework) {
                    wren::platform::marl::WrenMarl::createPlayer(c.data, c.offset, c.length,
                                                                 str(c.type));
                } else {
                    Manager::createPlayer(c.data, c.offset, c.length, str(c.type));
                }
            });
            EXPECT_EQ(classNameOf(t), c.thrown);
            if (t && std::string(c.thrown) == "javax.microedition.media.MediaException") {
                EXPECT_TRUE(t->getMessage() == nullptr);
            }
        }
    }
}

TEST(MediaManager, ClassRecords) {
    struct Case {
        const char* name;
        bool isInterface;
    };
    const Case cases[] = {
        {"javax.microedition.media.Manager", false},
        {"javax.microedition.media.MediaException", false},
        {"com.nimbault.marl.media.Player", false},
        {"javax.microedition.media.Player", true},
        {"javax.microedition.media.Controllable", true},
        {"javax.microedition.media.Control", true},
        {"javax.microedition.media.control.VolumeControl", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<java::lang::Class> cls = java::lang::Class::forName(str(c.name));
        ASSERT_TRUE(cls != nullptr);
        EXPECT_EQ(cls->isInterface, c.isInterface);
    }
    // A player answers as every media type it implements.
    VMPtr<com::nimbault::marl::media::Player> p =
        com::nimbault::marl::media::Player::make(VMArray<jbyte>::create(1), 0, 1, nullptr);
    for (const Case& c : cases) {
        if (!c.isInterface) continue;
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(vmIsInstanceOf(p, java::lang::Class::forName(str(c.name)).get()));
    }
    VMPtr<java::lang::Throwable> e = thrownBy(
        [] { javax::microedition::media::MediaException::throwNew(str("why")); });
    EXPECT_TRUE(vmIsInstanceOf(e, java::lang::Class::forName(str("java.lang.Exception")).get()));
    EXPECT_EQ(text(e->getMessage()), "why");
}

}  // namespace
