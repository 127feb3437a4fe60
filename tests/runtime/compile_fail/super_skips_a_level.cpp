// WREN_CLASS names the grandparent: the parent's fields would never be marked.
// expect-error: names a superclass that is not its direct C\+\+ base
#include "VMClass.h"
#include "java_lang_String.h"

namespace cf {
class Top : public virtual java::lang::Object {
    WREN_CLASS(Top, java::lang::Object)
};
class Middle : public Top {
    WREN_CLASS(Middle, Top, (label, java::lang::String))
};
class Bottom : public Middle {
#ifdef WREN_EXPECT_OK
    WREN_CLASS(Bottom, Middle)
#else
    WREN_CLASS(Bottom, Top)
#endif
};
}  // namespace cf

WREN_DEFINE_CLASS(cf::Top, "cf.Top")
WREN_DEFINE_CLASS(cf::Middle, "cf.Middle")
WREN_DEFINE_CLASS(cf::Bottom, "cf.Bottom")
