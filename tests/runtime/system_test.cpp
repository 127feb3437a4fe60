// java.lang.System and java.lang.Runtime: array copy, system properties,
// collection, memory figures and the refused exit.
#include <gtest/gtest.h>

#include <string>

#include "HAL_properties.h"
#include "HAL_status.h"
#include "VM.h"
#include "VMException.h"
#include "java_lang_Integer.h"
#include "java_lang_Runtime.h"
#include "java_lang_System.h"
#include "runtime/runtime_test_support.h"
#include "runtime/vm_test_support.h"

using java::lang::Object;
using java::lang::Runtime;
using java::lang::String;
using java::lang::System;
using java::lang::Throwable;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace {

template <class T>
std::string contents(const VMPtr<VMArray<T>>& a) {
    std::string s;
    for (jint i = 0; i < a->length; ++i) s += (i ? "," : "") + std::to_string(a[i]);
    return s;
}

std::string names(const VMPtr<VMArray<Object*>>& a) {
    std::string s;
    for (jint i = 0; i < a->length; ++i) s += (i ? "," : "") + text(String::valueOf(a[i]));
    return s;
}

TEST(SystemArraycopy, RejectsBadArgumentsBeforeCopyingAnything) {
    struct Case {
        const char* what;
        VMPtr<Object> src;
        jint srcPos;
        VMPtr<Object> dst;
        jint dstPos;
        jint length;
        const char* thrown;
    };
    VMPtr<VMArray<jint>> ints = VMArray<jint>::of({1, 2, 3});
    VMPtr<VMArray<jint>> target = VMArray<jint>::of({7, 8, 9});
    const Case cases[] = {
        {"null source", nullptr, 0, target, 0, 0, "java.lang.NullPointerException"},
        {"null destination", ints, 0, nullptr, 0, 0, "java.lang.NullPointerException"},
        {"source not an array", String::make("abc"), 0, target, 0, 1,
         "java.lang.ArrayStoreException"},
        {"destination not an array", ints, 0, String::make("abc"), 0, 1,
         "java.lang.ArrayStoreException"},
        {"int[] into long[]", ints, 0, VMArray<jlong>::create(3), 0, 1,
         "java.lang.ArrayStoreException"},
        {"int[] into Object[]", ints, 0, VMArray<Object*>::create(3), 0, 1,
         "java.lang.ArrayStoreException"},
        {"Object[] into int[]", VMArray<Object*>::create(3), 0, target, 0, 1,
         "java.lang.ArrayStoreException"},
        {"int[][] into int[]", VMArray<jint, 2>::create(3), 0, target, 0, 1,
         "java.lang.ArrayStoreException"},
        {"types are checked before bounds", ints, 0, VMArray<jlong>::create(3), 5, 2,
         "java.lang.ArrayStoreException"},
        {"negative source position", ints, -1, target, 0, 0,
         "java.lang.ArrayIndexOutOfBoundsException"},
        {"negative destination position", ints, 0, target, -1, 0,
         "java.lang.ArrayIndexOutOfBoundsException"},
        {"negative length", ints, 0, target, 0, -1, "java.lang.ArrayIndexOutOfBoundsException"},
        {"past the source's end", ints, 1, target, 0, 3,
         "java.lang.ArrayIndexOutOfBoundsException"},
        {"past the destination's end", ints, 0, target, 2, 2,
         "java.lang.ArrayIndexOutOfBoundsException"},
        {"empty range beyond the end", ints, 4, target, 0, 0,
         "java.lang.ArrayIndexOutOfBoundsException"},
        {"position + length overflows", ints, 0, target, 2147483647, 2,
         "java.lang.ArrayIndexOutOfBoundsException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(thrownName([&] { System::arraycopy(c.src, c.srcPos, c.dst, c.dstPos, c.length); }),
                  c.thrown);
        EXPECT_EQ(contents(target), "7,8,9");
    }
    // An empty range that ends exactly at the end is fine.
    System::arraycopy(ints, 3, target, 3, 0);
    EXPECT_EQ(contents(target), "7,8,9");
}

TEST(SystemArraycopy, OverlappingRangesInOneArrayCopyAsThroughATemporary) {
    // Expected values from OpenJDK 17.
    VMPtr<VMArray<jint>> forward = VMArray<jint>::of({1, 2, 3, 4, 5});
    System::arraycopy(forward, 0, forward, 1, 3);
    EXPECT_EQ(contents(forward), "1,1,2,3,5");

    VMPtr<VMArray<jint>> backward = VMArray<jint>::of({1, 2, 3, 4, 5});
    System::arraycopy(backward, 1, backward, 0, 3);
    EXPECT_EQ(contents(backward), "2,3,4,4,5");

    VMPtr<VMArray<jchar>> chars = VMArray<jchar>::of({u'a', u'b', u'c', u'd'});
    System::arraycopy(chars, 0, chars, 2, 2);
    EXPECT_EQ(std::u16string(chars->elements(), 4), u"abab");

    VMPtr<VMArray<jlong>> longs = VMArray<jlong>::of({-1, 1LL << 40, 3});
    System::arraycopy(longs, 1, longs, 0, 2);
    EXPECT_EQ(contents(longs), "1099511627776,3,3");

    VMPtr<VMArray<Object*>> refs = VMArray<Object*>::create(4);
    for (jint i = 0; i < 4; ++i) refs[i] = String::valueOf(i);
    System::arraycopy(refs, 0, refs, 1, 3);
    VM::collect();
    EXPECT_EQ(names(refs), "0,0,1,2");
}

TEST(SystemArraycopy, ReferenceArraysOfDifferentElementClassesCheckEachElement) {
    // Covariant: every String fits an Object[].
    VMPtr<VMArray<String*>> strings = VMArray<String*>::create(2);
    strings[0] = String::make("p");
    strings[1] = String::make("q");
    VMPtr<VMArray<Object*>> objects = VMArray<Object*>::create(3);
    System::arraycopy(strings, 0, objects, 1, 2);
    EXPECT_EQ(names(objects), "null,p,q");
    EXPECT_TRUE(objects[1] == strings[0]);

    // Object[] into String[]: nulls and Strings go in; the Integer stops the
    // copy, and what came before it stays (as on OpenJDK 17).
    VMPtr<VMArray<Object*>> mixed = VMArray<Object*>::create(4);
    mixed[1] = String::make("a");
    mixed[2] = java::lang::Integer::make(1);
    mixed[3] = String::make("b");
    VMPtr<VMArray<String*>> into = VMArray<String*>::create(4);
    into[3] = String::make("kept");
    VMPtr<Throwable> t = thrownBy([&] { System::arraycopy(mixed, 0, into, 0, 4); });
    EXPECT_EQ(classNameOf(t), "java.lang.ArrayStoreException");
    EXPECT_EQ(t->getMessage(), nullptr);
    VM::collect();
    EXPECT_EQ(text(into[0]), "<null>");
    EXPECT_EQ(text(into[1]), "a");
    EXPECT_EQ(text(into[2]), "<null>");
    EXPECT_EQ(text(into[3]), "kept");

    // Arrays as elements: an int[] fits an int[][], a String does not.
    VMPtr<VMArray<Object*>> rows = VMArray<Object*>::create(2);
    VMPtr<VMArray<jint>> row = VMArray<jint>::of({5});
    rows[0] = row;
    rows[1] = String::make("no");
    VMPtr<VMArray<jint, 2>> grid = VMArray<jint, 2>::create(2);
    EXPECT_EQ(thrownName([&] { System::arraycopy(rows, 0, grid, 0, 2); }),
              "java.lang.ArrayStoreException");
    EXPECT_TRUE(grid[0] == row);
    EXPECT_TRUE(grid[1] == nullptr);

    // Rows of an Object[][] into a String[][]: a String[] row fits, an
    // Object[] row stops the copy; the other way every row fits (as on
    // OpenJDK 17).
    VMPtr<VMArray<Object*, 2>> objectRows = VMArray<Object*, 2>::create(3);
    VMPtr<VMArray<String*>> stringRow = VMArray<String*>::create(1);
    objectRows[0] = stringRow;
    objectRows[1] = VMArray<Object*>::create(1);
    VMPtr<VMArray<String*, 2>> stringRows = VMArray<String*, 2>::create(3);
    EXPECT_EQ(thrownName([&] { System::arraycopy(objectRows, 0, stringRows, 0, 3); }),
              "java.lang.ArrayStoreException");
    EXPECT_TRUE(stringRows[0] == stringRow);
    EXPECT_TRUE(stringRows[1] == nullptr);
    System::arraycopy(stringRows, 0, objectRows, 1, 2);
    EXPECT_TRUE(objectRows[1] == stringRow);
    EXPECT_TRUE(objectRows[2] == nullptr);
}

TEST(SystemProperties, BuiltInKeysHaveTheirValues) {
    struct Case {
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"microedition.configuration", "CLDC-1.1"},
        {"microedition.platform", "NimbaultMarl/PLATFORM_BRIDGE_VERSION"},
        {"microedition.encoding", "UTF-8"},
        {"microedition.profiles", "MIDP-2.0"},
        {"microedition.commports", ""},
        {"microedition.hostname", ""},
        {"javax.microedition.io.Connector.protocolpath", "com.nimbault.marl.midp.io.protocol"},
        {"com.nimbault.marl.software.version", "PLATFORM_BRIDGE_VERSION"},
        {"com.nimbault.marl.hal.platform", "WindowsMobile"},
        {"com.nimbault.marl.hal.version", "1"},
        {"microedition.configuration.", nullptr},
        {"no.such.key", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        VMPtr<String> v = System::getProperty(String::make(c.key));
        EXPECT_EQ(text(v), c.value ? c.value : "<null>");
    }
    std::string locale = text(System::getProperty(String::make("microedition.locale")));
    EXPECT_TRUE(locale == "en-us" || locale == "it-it" || locale == "fr-fr" || locale == "pt-pt" ||
                locale == "de-de" || locale == "es-es" || locale == "ru")
        << locale;
}

TEST(SystemProperties, NullAndEmptyKeysAreRejected) {
    VMPtr<Throwable> t = thrownBy([] { System::getProperty(nullptr); });
    EXPECT_EQ(classNameOf(t), "java.lang.NullPointerException");
    EXPECT_EQ(text(t->getMessage()), "key can't be null");
    t = thrownBy([] { System::getProperty(String::make("")); });
    EXPECT_EQ(classNameOf(t), "java.lang.IllegalArgumentException");
    EXPECT_EQ(text(t->getMessage()), "key can't be empty");
}

TEST(SystemProperties, TheSystemTableAnswersWhatTheBuiltInTableLacks) {
    auto add = [](const std::u16string& key, const std::u16string& value) {
        ASSERT_TRUE(PropertyFile_append(HAL_SYSTEM_PROPERTIES, key.data(), jint(key.size()),
                                        value.data(), jint(value.size())));
    };
    add(u"systemtest.colour", u"red");
    add(u"systemtest.colour", u"gr\u00fcn \u20ac");  // the newest entry wins
    add(u"microedition.encoding", u"latin-1");     // the built-in value hides it
    add(u"systemtest.empty", u"");

    EXPECT_EQ(text(System::getProperty(String::make("systemtest.colour"))), "gr\u00fcn \u20ac");
    EXPECT_EQ(text(System::getProperty(String::make("microedition.encoding"))), "UTF-8");
    EXPECT_EQ(text(System::getProperty(String::make("systemtest.empty"))), "");
    // A key must match whole: neither a prefix nor a longer key finds it.
    EXPECT_EQ(System::getProperty(String::make("systemtest.colou")), nullptr);
    EXPECT_EQ(System::getProperty(String::make("systemtest.colours")), nullptr);
    // A key that starts inside its character array.
    EXPECT_EQ(text(System::getProperty(String::make("xsystemtest.colour")->substring(1))),
              "gr\u00fcn \u20ac");

    const std::u16string key = u"systemtest.colour";
    jchar out[8] = {};
    jint n = 3;
    EXPECT_EQ(HAL_getSystemProperty(key.data(), jint(key.size()), out, &n), HAL_OK);
    EXPECT_EQ(n, 3);  // cut to the room given
    EXPECT_EQ(std::u16string(out, 3), u"gr\u00fc");
    EXPECT_EQ(HAL_getSystemPropertyLength(key.data(), jint(key.size())), 6);
    EXPECT_EQ(HAL_getSystemProperty(key.data(), jint(key.size()), out, nullptr), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getSystemProperty(nullptr, 3, out, &n), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getSystemProperty(u"nothing", 7, out, &n), HAL_NOT_FOUND);
    EXPECT_EQ(HAL_getSystemPropertyLength(nullptr, 3), -1);
    EXPECT_EQ(PropertyFile_getValueLength(2, key.data(), jint(key.size())), -1);
    EXPECT_EQ(PropertyFile_getValueLength(HAL_APPLICATION_PROPERTIES, key.data(), jint(key.size())),
              -1);
}

TEST(SystemProperties, LocaleComesFromTheLanguageAndCountry) {
    struct Case {
        const char* posix;
        const char* locale;
    };
    const Case cases[] = {
        {"it_IT.UTF-8", "it-it"}, {"fr_FR", "fr-fr"},       {"pt_PT@euro", "pt-pt"},
        {"de_DE.UTF-8", "de-de"}, {"es_ES", "es-es"},       {"ru_RU.KOI8-R", "ru"},
        {"pt_BR.UTF-8", "en-us"}, {"de_AT", "en-us"},       {"it", "en-us"},
        {"C", "en-us"},           {"en_GB.UTF-8", "en-us"}, {nullptr, "en-us"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.posix ? c.posix : "null");
        EXPECT_STREQ(localeTextOf(c.posix), c.locale);
    }
}

TEST(SystemRuntime, IsOneInstanceReportingTheHeap) {
    VMPtr<Runtime> r = Runtime::getRuntime();
    EXPECT_TRUE(r == Runtime::getRuntime());
    EXPECT_EQ(r->totalMemory(), jlong(vmHeapState().maximum));
    jlong free = r->freeMemory();
    EXPECT_GE(free, 0);
    EXPECT_LE(free, r->totalMemory());
    // Runtime has no public constructor: Class.newInstance can't make a second one.
    EXPECT_EQ(Runtime::classRecord()->factory, nullptr);
    EXPECT_EQ(System::classRecord()->factory, nullptr);
}

TEST(SystemRuntime, GcCollectsUnreachableObjects) {
    for (int viaSystem = 0; viaSystem < 2; ++viaSystem) {
        VMWeakPtr<Object> watch;
        uint32_t before = wren::test::collectionCount();
        {
            VMPtr<Object> garbage = String::make("garbage");
            watch = garbage;
        }
        if (viaSystem) System::gc();
        else Runtime::getRuntime()->gc();
        EXPECT_GT(wren::test::collectionCount(), before);
        EXPECT_TRUE(watch == nullptr);
    }
}

TEST(SystemRuntime, ExitIsRefusedUnlessAllowed) {
    VMPtr<Runtime> r = Runtime::getRuntime();
    for (int viaSystem = 0; viaSystem < 2; ++viaSystem) {
        SCOPED_TRACE(viaSystem ? "System.exit" : "Runtime.exit");
        auto leave = [&](jint status) {
            if (viaSystem) System::exit(status);
            else r->exit(status);
        };
        VMPtr<Throwable> t = thrownBy([&] { leave(0); });
        EXPECT_EQ(classNameOf(t), "java.lang.SecurityException");
        EXPECT_EQ(text(t->getMessage()), "MIDP lifecycle does not support system exit.");

        r->setExitAllowed(true);
        jint status = -1;
        bool seenByThrowableHandler = false;
        try {
            try {
                leave(3);
            } catch (Throwable* caught) {
                VMPtr<Throwable> held = caught;
                seenByThrowableHandler = true;
            }
        } catch (VMExitException* caught) {
            VMPtr<VMExitException> held = caught;
            status = held->status;
        }
        r->setExitAllowed(false);
        EXPECT_FALSE(seenByThrowableHandler);
        EXPECT_EQ(status, 3);
        EXPECT_EQ(thrownName([&] { leave(1); }), "java.lang.SecurityException");
    }
}

}  // namespace
