#include "ui_Heapsort.h"

WREN_DEFINE_CLASS(ui::Heapsort, "ui.Heapsort")

namespace ui {

void Heapsort::ctor() {
    java::lang::Object::ctor();
    count = 50;
}

void Heapsort::swapRows(const VMPtr<VMArray<jint, 2>>& rows, jint a, jint b) {
    VMPtr<VMArray<jint>> held = rows[a];
    rows[a] = rows[b];
    rows[b] = held;
}

void Heapsort::siftDown(const VMPtr<VMArray<jint, 2>>& rows, jint i, jint n) {
    // A loop where the heap walks down one level a turn: the same swaps as
    // descending recursively, without a stack frame per level.
    for (;;) {
        jint largest = i;
        jint left = 2 * i;
        jint right = left + 1;
        if (left < n && rows[left][1] > rows[i][1]) largest = left;
        if (right < n && rows[right][1] > rows[largest][1]) largest = right;
        if (largest == i) return;
        swapRows(rows, i, largest);
        i = largest;
    }
}

void Heapsort::buildHeap(const VMPtr<VMArray<jint, 2>>& rows) {
    for (jint i = count; i >= 0; --i) siftDown(rows, i, count);
}

VMPtr<VMArray<jint, 2>> Heapsort::sort(const VMPtr<VMArray<jint, 2>>& rows, jint n) {
    count = n;
    buildHeap(rows);
    for (jint i = n - 1; i >= 1; --i) {
        swapRows(rows, 0, i);
        siftDown(rows, 0, i);
    }
    jint len = rows->length;
    for (jint j = 0; j < len / 2; ++j) swapRows(rows, j, len - 1 - j);
    return rows;
}

}  // namespace ui
