#include "com_nimbault_marl_cldc_io_ConnectionBaseInterface.h"

WREN_DEFINE_INTERFACE(com::nimbault::marl::cldc::io::ConnectionBaseInterface,
                      "com.nimbault.marl.cldc.io.ConnectionBaseInterface")
