// An interface definition names a super-interface it does not extend.
// expect-error: names the interface cf::Sized but does not derive from it
#include "VMClass.h"

namespace cf {
class Sized : public virtual java::lang::Object {
    WREN_INTERFACE(Sized)
};
#ifdef WREN_EXPECT_OK
class Box : public virtual Sized {
#else
class Box : public virtual java::lang::Object {
#endif
    WREN_INTERFACE(Box)
};
}  // namespace cf

WREN_DEFINE_INTERFACE(cf::Sized, "cf.Sized")
WREN_DEFINE_INTERFACE(cf::Box, "cf.Box", cf::Sized)
