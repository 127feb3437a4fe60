// WREN_CLASS names an interface as the superclass.
// expect-error: names a superclass that is not its direct C\+\+ base
#include "VMClass.h"
#include "java_lang_Runnable.h"

namespace cf {
class Task : public virtual java::lang::Object, public virtual java::lang::Runnable {
#ifdef WREN_EXPECT_OK
    WREN_CLASS(Task, java::lang::Object)
#else
    WREN_CLASS(Task, java::lang::Runnable)
#endif
public:
    void run() override {}
};
}  // namespace cf

WREN_DEFINE_CLASS(cf::Task, "cf.Task", java::lang::Runnable)
