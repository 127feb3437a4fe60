#include "com_nimbault_marl_cldc_io_ConsoleOutputStream.h"

#include "HAL_console.h"

WREN_DEFINE_CLASS(com::nimbault::marl::cldc::io::ConsoleOutputStream,
                  "com.nimbault.marl.cldc.io.ConsoleOutputStream")

namespace com::nimbault::marl::cldc::io {

void ConsoleOutputStream::write(jint b) {
    if (toErrorConsole)
        HAL_writeErrorConsole(uint8_t(b));
    else
        HAL_writeConsole(uint8_t(b));
}

}  // namespace com::nimbault::marl::cldc::io
