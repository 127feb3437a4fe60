// The definition names a class where an interface belongs.
// expect-error: is named as an interface but is a class
#include "VMClass.h"
#include "java_lang_Runnable.h"

namespace cf {
class Parent : public virtual java::lang::Object {
    WREN_CLASS(Parent, java::lang::Object)
};
class Child : public Parent, public virtual java::lang::Runnable {
    WREN_CLASS(Child, Parent)
public:
    void run() override {}
};
}  // namespace cf

WREN_DEFINE_CLASS(cf::Parent, "cf.Parent")
#ifdef WREN_EXPECT_OK
WREN_DEFINE_CLASS(cf::Child, "cf.Child", java::lang::Runnable)
#else
WREN_DEFINE_CLASS(cf::Child, "cf.Child", cf::Parent)
#endif
