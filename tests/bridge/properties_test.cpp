// The property files, the device's own properties, the built-in table and
// the per-device configuration.
#include <cctype>
#include <filesystem>
#include <functional>

#include "HAL_properties.h"
#include "VMList.h"
#include "bridge_test_support.h"
#include "java_lang_String.h"
#include "java_lang_System.h"

using namespace ce;

namespace {

class Properties : public bridgetest::HostTest {
protected:
    void load() {
        PropertyFile_freeAll();
        HAL_initDeviceProperties();
    }
    // The value, or "<absent>".
    static std::u16string value(int32_t table, const std::u16string& key) {
        jint n = PropertyFile_getValueLength(table, key.data(), jint(key.size()));
        if (n < 0) return u"<absent>";
        std::u16string v(size_t(n), u'\0');
        jint copied = n;
        EXPECT_EQ(PropertyFile_getValue(table, key.data(), jint(key.size()), v.data(), &copied), 0);
        v.resize(size_t(copied));
        return v;
    }
    static std::u16string system(const std::u16string& key) { return value(HAL_SYSTEM_PROPERTIES, key); }
    static std::u16string application(const std::u16string& key) {
        return value(HAL_APPLICATION_PROPERTIES, key);
    }
};

TEST_F(Properties, FilesAreReadAsUtf8LinesOfKeyColonBlankValue) {
    writeProperties("sys.prop",
                    "\xEF\xBB\xBF"
                    "city: Citt\xC3\xA0\r\n"
                    "smile: \xF0\x9F\x98\x80\r\n"
                    "url: http://example.com:80/a\r\n"
                    "tight:xy\r\n"
                    "blank: \r\n"
                    "no colon on this line\r\n"
                    "\r\n"
                    "bare:\r\n"
                    "cr: a\rb\r\n"
                    "last:");
    load();
    EXPECT_EQ(system(u"city"), u"Citt\u00E0");
    EXPECT_EQ(system(u"smile"), u"\U0001F600");
    EXPECT_EQ(system(u"url"), u"http://example.com:80/a");  // the key ends at the first colon
    EXPECT_EQ(system(u"tight"), u"y");                      // the value starts after the blank's place
    EXPECT_EQ(system(u"blank"), u"");
    EXPECT_EQ(system(u"no colon on this line"), u"<absent>");
    EXPECT_EQ(system(u"bare"), u"");
    EXPECT_EQ(system(u"cr"), u"a\rb");
    EXPECT_EQ(system(u"last"), u"");  // at the end of the file, with no newline
}

TEST_F(Properties, ALineLongerThanTheReaderTakesIsReadAsSeveral) {
    std::string tail(300, 'x');
    writeProperties("app.prop", "long: " + tail + "\nnext: ok\n" + std::string(255, 'y') + "\nafter: 1\n");
    load();
    EXPECT_EQ(application(u"long"), std::u16string(255 - 6, u'x'));
    EXPECT_EQ(application(u"next"), u"ok");
    EXPECT_EQ(application(u"after"), u"1");
}

// Ten megabytes on one line: taken in the reader's pieces like any long
// line, and in one pass over the text (the test stays quick).
TEST_F(Properties, AVeryLongLineIsReadInOnePass) {
    writeProperties("app.prop", "long: " + std::string(10u << 20, 'x') + "\nafter: 1\n");
    load();
    EXPECT_EQ(application(u"long"), std::u16string(255 - 6, u'x'));
    EXPECT_EQ(application(u"after"), u"1");
}

TEST_F(Properties, TheNewestEntryWinsAndKeysMatchWhole) {
    writeProperties("app.prop", "MIDlet-Name: First\nMIDlet-Name: Second\n");
    writeProperties("sys.prop", "device.model: From the file\nos.arch: x86\n");
    load();
    EXPECT_EQ(application(u"MIDlet-Name"), u"Second");
    EXPECT_EQ(application(u"MIDlet"), u"<absent>");
    EXPECT_EQ(system(u"MIDlet-Name"), u"<absent>");
    // The device's own properties come after sys.prop and hide its lines.
    EXPECT_EQ(system(u"device.model"), u"Linux SDL2");
    EXPECT_EQ(system(u"os.arch"), u"arm");
}

TEST_F(Properties, MissingFilesLoadNothingButTheDeviceProperties) {
    load();
    EXPECT_EQ(application(u"MIDlet-Name"), u"<absent>");
    EXPECT_EQ(system(u"os.arch"), u"arm");
}

// Why a property file gave nothing, named with the file or folder at
// fault; a file that is not UTF-8 text loads none of its lines.
TEST_F(Properties, WhyAFileGaveNothingIsNamedWithItsPath) {
    namespace fs = std::filesystem;
    const std::string props = folder_ + "/properties";
    const std::string file = props + "/app.prop";
    struct Case {
        const char* name;
        std::function<void()> setUp;
        std::string problem;
    };
    const Case cases[] = {
        {"read", [&] { writeProperties("app.prop", "MIDlet-Name: Fine\n"); }, ""},
        {"no program folder", [&] { setenv("WREN_MODULE_DIR", (folder_ + "/gone").c_str(), 1); },
         folder_ + "/gone: the program's folder does not exist"},
        {"no properties folder", [&] { fs::remove_all(props); }, props + ": no such folder"},
        {"no file", [] {}, file + ": no such file"},
        {"a folder in its place", [&] { fs::create_directory(file); },
         file + ": a folder, not a file"},
        // Opens, then fails on the first read.
        {"unreadable", [&] { fs::create_symlink("/proc/self/mem", file); },
         file + ": cannot read it: Input/output error"},
        {"empty", [&] { writeProperties("app.prop", ""); }, file + ": empty file"},
        {"a NUL byte", [&] { writeProperties("app.prop", std::string("MIDlet-Name: x\0\n", 16)); },
         file + ": not UTF-8 text (byte 14)"},
        {"Latin-1", [&] { writeProperties("app.prop", "MIDlet-Name: Citt\xE0\n"); },
         file + ": not UTF-8 text (byte 17)"},
        {"an overlong form", [&] { writeProperties("app.prop", "MIDlet-Name: \xC0\xAF\n"); },
         file + ": not UTF-8 text (byte 13)"},
        {"a surrogate", [&] { writeProperties("app.prop", "MIDlet-Name: \xED\xA0\x80\n"); },
         file + ": not UTF-8 text (byte 13)"},
        {"cut short", [&] { writeProperties("app.prop", "MIDlet-Name: \xE2\x82"); },
         file + ": not UTF-8 text (byte 13)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(props);
        fs::create_directories(props);
        c.setUp();
        load();
        EXPECT_EQ(PropertyFile_problem(HAL_APPLICATION_PROPERTIES), c.problem);
        EXPECT_EQ(application(u"MIDlet-Name"), c.problem.empty() ? u"Fine" : u"<absent>");
        EXPECT_EQ(PropertyFile_path(HAL_APPLICATION_PROPERTIES),
                  std::string(getenv("WREN_MODULE_DIR")) + "/properties/app.prop");
        setenv("WREN_MODULE_DIR", folder_.c_str(), 1);
    }
}

// The program starts without sys.prop; one that is there and can't be read
// is named on standard error, one that is missing or empty is not.
TEST_F(Properties, AnUnreadableSysPropIsNamedOnStandardError) {
    const std::string file = folder_ + "/properties/sys.prop";
    const std::pair<const char*, std::string> cases[] = {
        {nullptr, ""},
        {"", ""},
        {"a: 1\n\xFF",
         "wren: " + file + ": not UTF-8 text (byte 5); no system properties read from it\n"},
    };
    for (const auto& [text, said] : cases) {
        std::filesystem::remove(file);
        if (text) writeProperties("sys.prop", text);
        testing::internal::CaptureStderr();
        load();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), said);
        EXPECT_EQ(system(u"a"), u"<absent>");
    }
}

TEST_F(Properties, TheDevicePropertiesComeFromTheSystemInformationAndRegistry) {
    SystemInfo info = systemInfo();
    info.manufacturer = std::u16string(80, u'm');
    info.oemInfo = u"HTC Touch Diamond P3700";
    info.platformType = u"SmartPhone";
    info.osMajor = 6;
    info.osMinor = 1;
    fake::setSystemInfo(info);
    fake::setRegistryString(RegistryRoot::LocalMachine, u"IDENT", u"name", u"Pocket");
    load();
    EXPECT_EQ(system(u"device.manufacturer"), std::u16string(63, u'm'));
    EXPECT_EQ(system(u"device.model"), u"HTC Touch Diamond P3700");
    EXPECT_EQ(system(u"device.name"), u"Pocket");
    EXPECT_EQ(system(u"os.name"), u"WinCE (WM SmartPhone)");
    EXPECT_EQ(system(u"os.version"), u"6.1");
    EXPECT_EQ(system(u"os.arch"), u"arm");

    fake::clearRegistry();
    load();
    EXPECT_EQ(system(u"device.name"), u"");
}

TEST_F(Properties, TheBuiltInTableHoldsTheCldcAndMidpKeys) {
    const VMHashtable* table = getSystemPropertyTable();
    const std::pair<const char*, const char*> keys[] = {
        {"microedition.configuration", "CLDC-1.1"},
        {"microedition.profiles", "MIDP-2.0"},
        {"microedition.encoding", "UTF-8"},
        {"microedition.platform", "NimbaultMarl/PLATFORM_BRIDGE_VERSION"},
        {"microedition.commports", ""},
        {"microedition.hostname", ""},
        {"javax.microedition.io.Connector.protocolpath", "com.nimbault.marl.midp.io.protocol"},
        {"com.nimbault.marl.software.version", "PLATFORM_BRIDGE_VERSION"},
        {"com.nimbault.marl.hal.platform", "WindowsMobile"},
        {"com.nimbault.marl.hal.version", "1"},
    };
    for (auto [key, expected] : keys) {
        const char* v = findSystemProperty(table, key);
        ASSERT_NE(v, nullptr) << key;
        EXPECT_STREQ(v, expected) << key;
    }
    std::string id = findSystemProperty(table, "com.nimbault.marl.hal.uniqueid");
    ASSERT_EQ(id.size(), 44u);
    EXPECT_EQ(id.substr(0, 4), "Wind");
    for (char c : id.substr(4)) EXPECT_TRUE(std::isdigit(c) || (c >= 'a' && c <= 'f')) << id;

    // System.getProperty looks there first, then in table 0.
    writeProperties("sys.prop", "microedition.profiles: MIDP-1.0\ncustom.key: here\n");
    load();
    using java::lang::String;
    using java::lang::System;
    EXPECT_EQ(System::getProperty(String::make("microedition.profiles"))->toUtf8(), "MIDP-2.0");
    EXPECT_EQ(System::getProperty(String::make("custom.key"))->toUtf8(), "here");
}

TEST_F(Properties, TheUniqueIdIsThePlatformPrefixAndTheIdInHex) {
    fake::setUniqueId(true, {0x01, 0xAB, 0xFF, 0x00});
    EXPECT_EQ(deviceUniqueIdText(), "Wind01abff00");
    fake::setUniqueId(false, {});
    EXPECT_EQ(deviceUniqueIdText(), "");
}

TEST_F(Properties, TheDeviceTypeComesFromTheModelText) {
    const std::pair<std::u16string, jint> models[] = {
        {u"Microsoft DeviceEmulator", 2}, {u"HTC Touch Diamond P3700", 3}, {u"DIAM500", 3},
        {u"HTC-P4600", 4}, {u"HTC", 5}, {u"O2 Xda Atom Exec", 6}, {u"PA10A1", 7},
        {u"HTC Touch", 1}, {u"", 1}, {u"Linux SDL2", 1},
    };
    for (const auto& [model, type] : models) {
        SystemInfo info = systemInfo();
        info.oemInfo = model;
        fake::setSystemInfo(info);
        load();
        EXPECT_EQ(getDeviceType(), type);
    }
}

TEST_F(Properties, TheDeviceConfigurationComesFromPropertiesElseTheDeviceDefault) {
    const char* const kKey = "WREN_WINCE_PROPERTY_BUG_IGNORE_SOME_POINTER_EVENTS";
    struct Case {
        std::u16string model;
        int width, height;
        std::string sysProp;
        int32_t state;
        std::vector<jint> list;  // empty: no value
    };
    const Case cases[] = {
        {u"HTC Touch Diamond P3700", 480, 640, "", 3, {407, 26}},
        {u"HTC-P4600", 480, 640, "", 3, {407, 26, 505, 26}},
        {u"HTC", 240, 320, "", 3, {203, 13, 247, 13}},
        {u"HTC", 320, 240, "", 3, {203, 13, 247, 13}},
        {u"HTC", 480, 640, "", 2, {}},
        {u"O2 Xda Atom Exec", 240, 320, "", 3, {171, 13}},
        {u"PA10A1", 240, 320, "", 3, {203, 13, 251, 13}},
        {u"Linux SDL2", 240, 320, "", 2, {}},
        {u"HTC-P4600", 480, 640, ": 0", 4, {407, 26, 505, 26}},
        {u"Linux SDL2", 240, 320, ": false", 4, {}},
        {u"Linux SDL2", 240, 320, ": 1", 5, {}},
        {u"Linux SDL2", 240, 320, ": abc", 4, {}},
        {u"Linux SDL2", 240, 320, ":  -2", 5, {}},
        {u"Linux SDL2", 240, 320, ": 1\n" + std::string(kKey) + "_WHERE: 1,2,,3,", 5, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model.begin(), c.model.end()) + " " + c.sysProp);
        SystemInfo info = systemInfo();
        info.oemInfo = c.model;
        info.screenWidth = c.width;
        info.screenHeight = c.height;
        fake::setSystemInfo(info);
        writeProperties("sys.prop", c.sysProp.empty() ? "" : kKey + c.sysProp + "\n");
        load();
        EXPECT_EQ(getDeviceConfigState(DEVICE_CONFIG_IGNORE_SOME_POINTER_EVENTS), c.state);
        EXPECT_EQ(isDeviceConfigEnabled(DEVICE_CONFIG_IGNORE_SOME_POINTER_EVENTS),
                  c.state == 3 || c.state == 5);
        jint list[16];
        jint count = 16;
        bool found = getDeviceConfigList(DEVICE_CONFIG_IGNORE_SOME_POINTER_EVENTS, u"WHERE", list, &count);
        EXPECT_EQ(found, !c.list.empty());
        EXPECT_EQ(std::vector<jint>(list, list + count), c.list);
    }
    // Another sub-key has no value; the list stops at the count asked for.
    jchar out[8] = {u'x'};
    EXPECT_FALSE(getDeviceConfigValue(DEVICE_CONFIG_IGNORE_SOME_POINTER_EVENTS, u"WHEN", out, 8));
    EXPECT_EQ(out[0], 0);
    jint two[2];
    jint count = 2;
    EXPECT_TRUE(getDeviceConfigList(DEVICE_CONFIG_IGNORE_SOME_POINTER_EVENTS, u"WHERE", two, &count));
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(getDeviceConfigValue(DEVICE_CONFIG_IGNORE_SOME_POINTER_EVENTS, u"WHERE", out, 4));
    EXPECT_EQ(std::u16string(out), u"1,2");
}

}  // namespace
