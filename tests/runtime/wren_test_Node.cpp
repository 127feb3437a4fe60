#include "wren_test_Node.h"

#include <unordered_set>

#include "VM.h"

WREN_DEFINE_CLASS(wren::test::Node, "wren.test.Node")

namespace wren::test {

namespace {
jint lastId = 0;

std::unordered_set<jint>& freedIds() {
    static std::unordered_set<jint> ids;
    return ids;
}
}  // namespace

Node::~Node() {
    if (id != 0) freedIds().insert(id);
}

jint Node::overwriteAndCollect(const std::function<void()>& overwrite, bool* freedDuringCall) {
    overwrite();
    VM::collect();
    *freedDuringCall = wasFreed(id);
    return id;
}

jint Node::walkCuttingLinks() {
    if (next == nullptr) {
        VM::collect();
        return 1;
    }
    return 1 + next->walkCuttingLinksFrom(this);
}

jint Node::walkCuttingLinksFrom(const VMPtr<Node>& previous) {
    previous->next = nullptr;
    return walkCuttingLinks();
}

jint Node::newId() { return ++lastId; }

bool Node::wasFreed(jint cellId) { return freedIds().count(cellId) != 0; }

}  // namespace wren::test
