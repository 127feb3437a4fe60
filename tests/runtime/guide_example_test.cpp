// The class guide's worked example behaves as its Java original would.
#include <gtest/gtest.h>

#include "VM.h"
#include "VMArray.h"
#include "java_lang_Runnable.h"
#include "java_lang_String.h"
#include "runtime/runtime_test_support.h"
#include "wren_guide_Shelf.h"

using java::lang::Object;
using java::lang::String;
using wren::guide::Item;
using wren::guide::Shelf;
using wrentest::text;

namespace {

TEST(GuideExample, ShelfIsAnItemAndARunnableByRecordAndByCast) {
    VMPtr<Object> shelf = Shelf::make(WREN_LIT("books"), 2);
    EXPECT_TRUE(vmIsInstanceOf(shelf, Item::classRecord()));
    EXPECT_TRUE(vmIsInstanceOf(shelf, java::lang::Runnable::classRecord()));
    EXPECT_NE(vmCast<Item>(shelf), nullptr);
    EXPECT_NE(vmCast<java::lang::Runnable>(shelf), nullptr);
    EXPECT_STREQ(Shelf::classRecord()->superName, "wren.guide.Item");
}

TEST(GuideExample, AddAllTakesAStringArrayUpToCapacity) {
    VMPtr<Shelf> shelf = Shelf::make(WREN_LIT("books"), 2);
    VMPtr<VMArray<String*>> titles = VMArray<String*>::create(3);
    titles[0] = WREN_LIT("Emma");
    titles[1] = WREN_LIT("Ulysses");
    titles[2] = WREN_LIT("Dracula");
    EXPECT_EQ(shelf->addAll(titles), 2);
    EXPECT_EQ(text(shelf->describe()), "books: 2");
    VM::collect();
    EXPECT_EQ(text(vmCast<String>(shelf->slots[1])), "Ulysses");
}

TEST(GuideExample, RunLabelsWithTheFirstItemOrTheFailure) {
    jint before = Shelf::S().made;
    VMPtr<Shelf> empty = Shelf::make(WREN_LIT("empty"), 1);
    EXPECT_EQ(Shelf::S().made, before + 1);
    EXPECT_EQ(text(empty->label), "(unlabelled)");
    empty->run();  // slots[0] is null: the handler takes the NullPointerException
    EXPECT_EQ(text(empty->label), "java.lang.NullPointerException");

    VMPtr<Shelf> full = Shelf::make(WREN_LIT("full"), 1);
    full->addAll(VMArray<Object*>::of({WREN_LIT("Emma")}));
    full->run();
    EXPECT_EQ(text(full->label), "Emma");
}

}  // namespace
