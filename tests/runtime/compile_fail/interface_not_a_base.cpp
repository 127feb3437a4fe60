// The definition names an interface the class does not implement in C++.
// expect-error: names the interface java::lang::Runnable but does not derive from it
#include "VMClass.h"
#include "java_lang_Runnable.h"

namespace cf {
#ifdef WREN_EXPECT_OK
class Task : public virtual java::lang::Object, public virtual java::lang::Runnable {
#else
class Task : public virtual java::lang::Object {
#endif
    WREN_CLASS(Task, java::lang::Object)
public:
    void run() {}
};
}  // namespace cf

WREN_DEFINE_CLASS(cf::Task, "cf.Task", java::lang::Runnable)
