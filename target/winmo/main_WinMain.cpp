// The executable's entry: hands the host the runtime's six hooks and runs
// it. The previous instance and the command line are not used.
#include "HAL_host.h"
#include "VM.h"
#include "java_lang_Runtime.h"

namespace {

void collect() { java::lang::Runtime::getRuntime()->gc(); }

}  // namespace

int WinMain(ce::HINSTANCE instance, ce::HINSTANCE, char16_t*, int showCommand) {
    static const HAL_Callbacks hooks = {vmCreate, vmPostEvent, vmLeave, vmEnter, collect, vmShutdown};
    HAL_registerCallbacks(&hooks);
    return runHost(instance, showCommand);
}
