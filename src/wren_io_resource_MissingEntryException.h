// wren.io.resource.MissingEntryException: a lookup of an entry that the
// current pack does not have, either because the pack has no index (its
// file was missing or unreadable, which the message then says), because
// the entry number is beyond its entry count, or because the pack is to be
// read from memory and has no data block there (an index read without one
// after an in-memory pack). The message names the pack and the entry.
#pragma once

#include "java_lang_RuntimeException.h"

namespace wren::io::resource {

class MissingEntryException : public java::lang::RuntimeException {
    WREN_THROWABLE(MissingEntryException, java::lang::RuntimeException)
public:
    using java::lang::RuntimeException::ctor;

    // "Resource pack 3 has no index (entry 5)", then ": " and why, when
    // known (its file on disk and what is wrong with it).
    [[noreturn]] static void throwNoIndex(jint pack, jint entry,
                                          const VMPtr<java::lang::String>& why = nullptr);
    // "Resource pack 3 has no entry 9 (it has 4)", after "<file>: " when the
    // file whose index it is is given.
    [[noreturn]] static void throwNoEntry(jint pack, jint entry, jint count,
                                          const VMPtr<java::lang::String>& file = nullptr);
    // "Resource pack 0 has no data block (entry 2)"
    [[noreturn]] static void throwNoData(jint pack, jint entry);
};

}  // namespace wren::io::resource
