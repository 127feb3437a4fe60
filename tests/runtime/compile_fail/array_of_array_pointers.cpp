// int[][] has one spelling, with its dimensions.
// expect-error: an array of arrays is written with its dimensions
#include "VMArray.h"
#include "VMClass.h"

jint rows() {
#ifdef WREN_EXPECT_OK
    return VMArray<jint, 2>::create(1, 2)->length;
#else
    return VMArray<VMArray<jint>*>::create(1)->length;
#endif
}
