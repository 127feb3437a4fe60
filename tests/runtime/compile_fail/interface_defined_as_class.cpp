// An interface defined with the class definition macro.
// expect-error: is declared with WREN_INTERFACE: define it with WREN_DEFINE_INTERFACE
#include "VMClass.h"

namespace cf {
class Sized : public virtual java::lang::Object {
    WREN_INTERFACE(Sized)
};
}  // namespace cf

#ifdef WREN_EXPECT_OK
WREN_DEFINE_INTERFACE(cf::Sized, "cf.Sized")
#else
WREN_DEFINE_CLASS(cf::Sized, "cf.Sized")
#endif
