// ui.Heapsort: sorts the rows of an int[][] by their element 1, largest
// first. Rows move as whole references; their contents are not touched.
//
// The heap hangs the children of position i at 2i and 2i + 1, so position
// 0 has the one child 1 and every other position k its parent k / 2. Rows
// of equal keys come out in no particular order.
#pragma once

#include "VMArray.h"
#include "VMClass.h"

namespace ui {

class Heapsort : public virtual java::lang::Object {
    WREN_CLASS(Heapsort, java::lang::Object)
public:
    WREN_PLAIN_OBJECT()

    // The rows the heap covers: set by sort; buildHeap reads it.
    jint count = 0;

    void ctor();

    // Builds the max-heap over the first `count` rows.
    virtual void buildHeap(const VMPtr<VMArray<jint, 2>>& rows);
    // Sorts the first n rows ascending and then reverses the whole array,
    // so that with n = rows.length the keys come out descending; with a
    // smaller n the unsorted tail comes first, reversed. Returns `rows`.
    // n beyond the array's length, or a row shorter than two, is the
    // array's index exception.
    virtual VMPtr<VMArray<jint, 2>> sort(const VMPtr<VMArray<jint, 2>>& rows, jint n);

    // Restores the heap below position i within the first n rows.
    void siftDown(const VMPtr<VMArray<jint, 2>>& rows, jint i, jint n);

private:
    static void swapRows(const VMPtr<VMArray<jint, 2>>& rows, jint a, jint b);
};

}  // namespace ui
