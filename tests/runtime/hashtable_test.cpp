// java.util.Hashtable: bucket placement, the rehash points, enumeration
// order, the null checks, toString, and enumerations over a table that
// changes while they walk it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "VMClass.h"
#include "VMHeap.h"
#include "java_lang_Integer.h"
#include "java_lang_String.h"
#include "java_util_Hashtable.h"
#include "java_util_HashtableEnumerator.h"
#include "runtime/runtime_test_support.h"
#include "runtime/vm_test_support.h"

using java::lang::Integer;
using java::lang::Object;
using java::lang::String;
using java::util::Enumeration;
using java::util::Hashtable;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace hashtabletest {

// A key with a chosen hash that equals everything: shows whose equals a
// lookup calls.
class AnyKey : public virtual Object {
    WREN_CLASS(AnyKey, Object)
public:
    jint hash = 0;
    void ctor(jint h) {
        Object::ctor();
        hash = h;
    }
    jint hashCode() override { return hash; }
    jboolean equals(const VMPtr<Object>&) override { return true; }
};

}  // namespace hashtabletest

WREN_DEFINE_CLASS(hashtabletest::AnyKey, "hashtabletest.AnyKey")

namespace {

VMPtr<Integer> num(jint i) { return Integer::make(i); }
VMPtr<String> str(const char* s) { return String::make(s); }

// The texts an enumeration hands out, in order, joined by ",".
std::string walk(const VMPtr<Enumeration>& e) {
    std::string out;
    while (e->hasMoreElements()) {
        if (!out.empty()) out += ",";
        out += text(String::valueOf(e->nextElement()));
    }
    return out;
}

jint capacity(const VMPtr<Hashtable>& h) { return h->table->length; }

TEST(HashtableGrowth, RehashPointsAndCapacities) {
    VMPtr<Hashtable> h = Hashtable::make();
    EXPECT_EQ(capacity(h), 11);
    EXPECT_EQ(h->threshold, 8);
    struct Step {
        jint keys, capacity, threshold;
    };
    // The rehash comes with the first new key once the count has reached
    // the threshold: the 9th, the 18th, the 36th.
    for (const Step& s : {Step{8, 11, 8}, Step{9, 23, 17}, Step{17, 23, 17}, Step{18, 47, 35},
                          Step{35, 47, 35}, Step{36, 95, 71}}) {
        SCOPED_TRACE(s.keys);
        while (h->size() < s.keys) h->put(num(h->size()), str("v"));
        EXPECT_EQ(capacity(h), s.capacity);
        EXPECT_EQ(h->threshold, s.threshold);
    }
    // Replacing a value is not a new key: no rehash, no count change.
    h->put(num(0), str("w"));
    EXPECT_EQ(capacity(h), 95);
    EXPECT_EQ(h->size(), 36);
    for (jint i = 0; i < 36; ++i) EXPECT_TRUE(h->containsKey(num(i))) << i;

    struct Made {
        jint initial, capacity, threshold;
    };
    for (const Made& m : {Made{0, 1, 0}, Made{1, 1, 0}, Made{4, 4, 3}, Made{100, 100, 75}}) {
        SCOPED_TRACE(m.initial);
        VMPtr<Hashtable> t = Hashtable::make(m.initial);
        EXPECT_EQ(capacity(t), m.capacity);
        EXPECT_EQ(t->threshold, m.threshold);
    }
    // One bucket, threshold 0: the first put rehashes to 3 buckets first.
    VMPtr<Hashtable> tiny = Hashtable::make(0);
    EXPECT_EQ(tiny->put(str("k"), str("v")), nullptr);
    EXPECT_EQ(capacity(tiny), 3);
    EXPECT_EQ(tiny->threshold, 2);
    EXPECT_EQ(tiny->size(), 1);
    EXPECT_EQ(text(String::valueOf(tiny->get(str("k")))), "v");
}

TEST(HashtableErrors, NullsAndBadCapacity) {
    constexpr const char* kNPE = "java.lang.NullPointerException";
    VMPtr<Hashtable> h = Hashtable::make();
    h->put(str("a"), str("1"));
    struct Case {
        const char* call;
        std::function<void()> body;
        const char* exception;
    };
    const Case cases[] = {
        {"put(k, null)", [&] { h->put(str("b"), nullptr); }, kNPE},
        {"put(null, v)", [&] { h->put(nullptr, str("v")); }, kNPE},
        {"get(null)", [&] { h->get(nullptr); }, kNPE},
        {"remove(null)", [&] { h->remove(nullptr); }, kNPE},
        {"containsKey(null)", [&] { h->containsKey(nullptr); }, kNPE},
        {"contains(null)", [&] { h->contains(nullptr); }, kNPE},
        {"new Hashtable(-1)", [] { Hashtable::make(-1); }, "java.lang.IllegalArgumentException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        VMPtr<java::lang::Throwable> t = thrownBy(c.body);
        EXPECT_EQ(classNameOf(t), c.exception);
        if (t) {
            EXPECT_EQ(t->getMessage(), nullptr);
        }
        EXPECT_EQ(h->size(), 1);
        EXPECT_EQ(h->monitorCount_, 0);
    }
    // A null value is refused before anything else, even for a new key on a
    // full table.
    VMPtr<Hashtable> full = Hashtable::make(1);
    EXPECT_EQ(thrownName([&] { full->put(str("x"), nullptr); }), kNPE);
    EXPECT_EQ(capacity(full), 1);
}

TEST(HashtableLookup, PutGetRemoveAndContains) {
    VMPtr<Hashtable> h = Hashtable::make();
    EXPECT_TRUE(h->isEmpty());
    EXPECT_EQ(h->put(str("a"), str("1")), nullptr);
    EXPECT_EQ(h->put(str("b"), str("2")), nullptr);
    // An equal key (another String object) replaces the value and returns
    // the old one; the entry keeps its stored key.
    VMPtr<String> storedKey = str("c");
    h->put(storedKey, str("3"));
    EXPECT_EQ(text(String::valueOf(h->put(str("c"), str("three")))), "3");
    EXPECT_EQ(h->size(), 3);
    EXPECT_EQ(text(String::valueOf(h->get(str("c")))), "three");
    EXPECT_EQ(walk(h->keys()).find("c") != std::string::npos, true);
    bool sameKey = false;
    for (VMPtr<Enumeration> e = h->keys(); e->hasMoreElements();)
        if (e->nextElement() == storedKey) sameKey = true;
    EXPECT_TRUE(sameKey);

    EXPECT_TRUE(h->contains(str("2")));
    EXPECT_FALSE(h->contains(str("3")));
    EXPECT_TRUE(h->containsKey(str("a")));
    EXPECT_FALSE(h->containsKey(str("z")));
    EXPECT_EQ(h->get(str("z")), nullptr);

    EXPECT_EQ(text(String::valueOf(h->remove(str("a")))), "1");
    EXPECT_EQ(h->remove(str("a")), nullptr);
    EXPECT_EQ(h->size(), 2);
    EXPECT_FALSE(h->containsKey(str("a")));

    h->clear();
    EXPECT_EQ(h->size(), 0);
    EXPECT_EQ(capacity(h), 11);
    EXPECT_EQ(h->get(str("b")), nullptr);
}

TEST(HashtableLookup, ChainsAndTheStoredKeysEquals) {
    // 11 buckets: 1, 12 and 23 share bucket 1; so does a hash that differs
    // from 1 only in the sign bit.
    VMPtr<Hashtable> h = Hashtable::make();
    EXPECT_EQ(Hashtable::bucketOf(5, 11), Hashtable::bucketOf(jint(0x80000005), 11));
    EXPECT_EQ(Hashtable::bucketOf(-1, 11), 0x7FFFFFFF % 11);
    for (jint k : {1, 12, 23, jint(0x80000001)}) h->put(num(k), num(k * 10));
    EXPECT_EQ(walk(h->keys()), "-2147483647,23,12,1");
    // Unlinking from the middle, the head and the tail of a chain.
    EXPECT_EQ(text(String::valueOf(h->remove(num(12)))), "120");
    EXPECT_EQ(walk(h->keys()), "-2147483647,23,1");
    h->remove(num(jint(0x80000001)));
    h->remove(num(1));
    EXPECT_EQ(walk(h->keys()), "23");
    EXPECT_EQ(walk(h->elements()), "230");

    // The stored key's equals decides a match, given the same hash.
    VMPtr<Hashtable> any = Hashtable::make();
    any->put(hashtabletest::AnyKey::make(7), str("any"));
    EXPECT_EQ(text(String::valueOf(any->get(num(7)))), "any");
    EXPECT_EQ(any->get(num(8)), nullptr);  // another hash is never asked
    VMPtr<Hashtable> ints = Hashtable::make();
    ints->put(num(7), str("seven"));
    EXPECT_EQ(ints->get(hashtabletest::AnyKey::make(7)), nullptr);
    // contains asks each stored value.
    EXPECT_TRUE(any->contains(str("any")));
}

TEST(HashtableEnumeration, OrderIsLastBucketFirstNewestFirst) {
    VMPtr<Hashtable> h = Hashtable::make();
    for (jint k : {3, 0, 7, 14, 5}) h->put(num(k), num(k + 100));
    // Buckets 7, 5, 3 (14 then 3: newest first), 0.
    EXPECT_EQ(walk(h->keys()), "7,5,14,3,0");
    EXPECT_EQ(walk(h->elements()), "107,105,114,103,100");

    VMPtr<Enumeration> empty = Hashtable::make()->keys();
    EXPECT_FALSE(empty->hasMoreElements());
    EXPECT_FALSE(empty->hasMoreElements());
    VMPtr<java::lang::Throwable> t = thrownBy([&] { empty->nextElement(); });
    EXPECT_EQ(classNameOf(t), "java.util.NoSuchElementException");
    EXPECT_EQ(text(t->getMessage()), "HashtableEnumerator");
    EXPECT_TRUE(vmIsInstanceOf(empty, java::util::HashtableEnumerator::classRecord()));
}

TEST(HashtableText, ToStringForms) {
    EXPECT_EQ(text(Hashtable::make()->toString()), "{}");
    VMPtr<Hashtable> one = Hashtable::make();
    one->put(num(1), str("x"));
    EXPECT_EQ(text(one->toString()), "{1=x}");
    VMPtr<Hashtable> three = Hashtable::make();
    three->put(num(1), str("a"));
    three->put(num(2), str("b"));
    three->put(num(13), str("c"));
    EXPECT_EQ(text(three->toString()), "{13=c, 2=b, 1=a}");
    EXPECT_EQ(three->monitorCount_, 0);
}

TEST(HashtableEnumeration, ARehashDuringTheWalkIsNotSeen) {
    wren::test::ScopedGcStress stress(1);
    VMPtr<Hashtable> h = Hashtable::make();
    // Eight keys in 11 buckets; 12 and 1 share bucket 1 (12 first), and
    // part company in every larger table.
    for (jint k : {0, 1, 2, 3, 4, 5, 6, 12}) h->put(num(k), num(k));
    VMPtr<Enumeration> keys = h->keys();
    VMPtr<Enumeration> values = h->elements();
    EXPECT_EQ(text(String::valueOf(keys->nextElement())), "6");
    // The 9th key rehashes, and more keys rehash again: the walk goes on
    // over the buckets and chains as they were, each old key once.
    for (jint k = 100; k < 132; ++k) h->put(num(k), num(k));
    EXPECT_EQ(capacity(h), 95);
    VM::collect();
    EXPECT_EQ(walk(keys), "5,4,3,2,12,1,0");
    EXPECT_EQ(walk(values), "6,5,4,3,2,12,1,0");
    // The table itself has every key, once.
    EXPECT_EQ(h->size(), 40);
    std::string all = walk(h->keys());
    EXPECT_EQ(std::count(all.begin(), all.end(), ',') + 1, 40);
    for (jint k : {0, 1, 2, 3, 4, 5, 6, 12, 100, 131}) EXPECT_TRUE(h->containsKey(num(k))) << k;
    // Values changed after the rehash are the table's; an enumerator made
    // now sees them.
    h->put(num(12), str("new"));
    EXPECT_NE(walk(h->elements()).find("new"), std::string::npos);
}

TEST(HashtableEnumeration, RemovalsAndClearDuringTheWalk) {
    wren::test::ScopedGcStress stress(1);
    VMPtr<Hashtable> h = Hashtable::make();
    // One chain in bucket 1: 34, 23, 12, 1 (newest first).
    for (jint k : {1, 12, 23, 34}) h->put(num(k), str("v"));
    VMPtr<Enumeration> e = h->keys();
    EXPECT_EQ(text(String::valueOf(e->nextElement())), "34");
    // The entry the walk stands on (23) is unlinked and collected from the
    // table's side: the walk still hands it out and goes on down its chain.
    h->remove(num(23));
    VM::collect();
    EXPECT_EQ(text(String::valueOf(e->nextElement())), "23");
    // An entry further down that is removed first is never handed out.
    h->remove(num(1));
    VM::collect();
    EXPECT_EQ(walk(e), "12");

    VMPtr<Hashtable> g = Hashtable::make();
    for (jint k : {2, 5, 9}) g->put(num(k), str("v"));
    VMPtr<Enumeration> f = g->elements();
    EXPECT_EQ(text(String::valueOf(f->nextElement())), "v");  // bucket 9
    g->clear();
    VM::collect();
    // New entries in buckets still ahead of the cursor are seen; nothing
    // of what was cleared is.
    g->put(num(1), str("late"));
    EXPECT_EQ(walk(f), "late");
    EXPECT_FALSE(f->hasMoreElements());
}

TEST(HashtableClass, RecordsAndFactories) {
    java::lang::Class* table = vmFindClass("java.util.Hashtable");
    ASSERT_NE(table, nullptr);
    VMPtr<Hashtable> made = vmCast<Hashtable>(table->newInstance());
    ASSERT_TRUE(made);
    EXPECT_EQ(capacity(made), 11);
    java::lang::Class* entry = vmFindClass("java.util.HashtableEntry");
    ASSERT_NE(entry, nullptr);
    VMPtr<java::util::HashtableEntry> e = vmCast<java::util::HashtableEntry>(entry->newInstance());
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->key.isNull());
    EXPECT_TRUE(e->next.isNull());
    java::lang::Class* enumerator = vmFindClass("java.util.HashtableEnumerator");
    ASSERT_NE(enumerator, nullptr);
    EXPECT_TRUE(vmIsAssignableFrom(enumerator, vmFindClass("java.util.Enumeration")));
}

}  // namespace
