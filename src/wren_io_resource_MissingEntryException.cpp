#include "wren_io_resource_MissingEntryException.h"

#include "java_lang_StringBuffer.h"

WREN_DEFINE_CLASS(wren::io::resource::MissingEntryException,
                  "wren.io.resource.MissingEntryException")

namespace wren::io::resource {

using java::lang::StringBuffer;

void MissingEntryException::throwNoIndex(jint pack, jint entry,
                                         const VMPtr<java::lang::String>& why) {
    VMPtr<StringBuffer> text = StringBuffer::make("Resource pack ");
    text->append(pack);
    text->append(" has no index (entry ");
    text->append(entry);
    text->append(")");
    if (why != nullptr) {
        text->append(": ");
        text->append(why);
    }
    throwNew(text->toString());
}

void MissingEntryException::throwNoEntry(jint pack, jint entry, jint count,
                                         const VMPtr<java::lang::String>& file) {
    VMPtr<StringBuffer> text = StringBuffer::make();
    if (file != nullptr) {
        text->append(file);
        text->append(": ");
    }
    text->append("Resource pack ");
    text->append(pack);
    text->append(" has no entry ");
    text->append(entry);
    text->append(" (it has ");
    text->append(count);
    text->append(")");
    throwNew(text->toString());
}

void MissingEntryException::throwNoData(jint pack, jint entry) {
    VMPtr<StringBuffer> text = StringBuffer::make("Resource pack ");
    text->append(pack);
    text->append(" has no data block (entry ");
    text->append(entry);
    text->append(")");
    throwNew(text->toString());
}

}  // namespace wren::io::resource
