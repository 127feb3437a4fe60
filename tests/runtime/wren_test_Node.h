// A list cell for the collector and reference tests. Its native destructor
// records the cell's id, so a test can tell exactly which cells a sweep freed.
#pragma once

#include <functional>

#include "VMClass.h"

namespace wren::test {

class Node : public virtual java::lang::Object {
    WREN_CLASS(Node, java::lang::Object, (next, Node), (payload, java::lang::Object))
public:
    jint id = 0;

    ~Node() override;

    void ctor() { java::lang::Object::ctor(); }
    void ctor(jint cellId) {
        java::lang::Object::ctor();
        id = cellId;
    }

    // Runs `overwrite` (which drops whatever reference this call was made
    // through), collects, and returns this cell's id read after the
    // collection. Reports through `freedDuringCall` whether the sweep freed
    // this very cell while it was running.
    jint overwriteAndCollect(const std::function<void()>& overwrite, bool* freedDuringCall);

    // Walks the chain through `next`, cutting the link behind each step, and
    // collects at its end: by then every cell below the first is held only by
    // the temporaries that root the calls still running. Returns the number
    // of cells walked.
    jint walkCuttingLinks();
    jint walkCuttingLinksFrom(const VMPtr<Node>& previous);

    // A fresh id, never 0. Cells with id 0 are not recorded when freed, so
    // large structures cost nothing to sweep.
    static jint newId();
    static bool wasFreed(jint cellId);
};

}  // namespace wren::test
