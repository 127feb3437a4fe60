// WREN_CLASS names a superclass the class does not derive from.
// expect-error: names a superclass that is not its direct C\+\+ base
#include "VMClass.h"

namespace cf {
class Parent : public virtual java::lang::Object {
    WREN_CLASS(Parent, java::lang::Object)
};
#ifdef WREN_EXPECT_OK
class Child : public Parent {
#else
class Child : public virtual java::lang::Object {
#endif
    WREN_CLASS(Child, Parent)
};
}  // namespace cf

WREN_DEFINE_CLASS(cf::Parent, "cf.Parent")
WREN_DEFINE_CLASS(cf::Child, "cf.Child")
