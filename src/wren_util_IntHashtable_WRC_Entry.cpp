#include "wren_util_IntHashtable_WRC_Entry.h"

WREN_DEFINE_CLASS(wren::util::IntHashtable_WRC_Entry, "wren.util.IntHashtable$Entry")

namespace wren::util {

using Entry = IntHashtable_WRC_Entry;

VMPtr<Entry> Entry::clone() {
    // A loop, not a recursion down the list: a bucket's list has no bound on
    // its length, the native stack has.
    VMPtr<Entry> head = Entry::make();
    head->key = key;
    head->value = value;
    VMPtr<Entry> last = head;
    for (VMPtr<Entry> from = next; from != nullptr; from = from->next) {
        VMPtr<Entry> copy = Entry::make();
        copy->key = from->key;
        copy->value = from->value;
        last->next = copy;
        last = copy;
    }
    return head;
}

}  // namespace wren::util
