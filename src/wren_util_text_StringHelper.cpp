#include "wren_util_text_StringHelper.h"

WREN_DEFINE_CLASS(wren::util::text::StringHelper, "wren.util.text.StringHelper")

namespace wren::util::text {

jint StringHelper::lastIndexOf(const VMPtr<java::lang::String>& s, jchar c, jint from, jint to) {
    clinit();
    for (jint i = to; i >= from; --i)
        if (s->charAt(i) == c) return i;
    return -1;
}

}  // namespace wren::util::text
