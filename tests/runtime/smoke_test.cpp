#include <gtest/gtest.h>

#include "VMClass.h"
#include "java_lang_String.h"

TEST(Smoke, StringFromUtf8) {
    VMPtr<java::lang::String> s = java::lang::String::make("abc");
    EXPECT_EQ(s->length(), 3);
    EXPECT_TRUE(s->equals("abc"));
}
