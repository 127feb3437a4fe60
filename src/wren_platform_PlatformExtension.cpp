#include "wren_platform_PlatformExtension.h"

WREN_DEFINE_INTERFACE(wren::platform::PlatformExtension, "wren.platform.PlatformExtension")
