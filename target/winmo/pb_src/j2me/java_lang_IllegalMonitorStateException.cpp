#include "java_lang_IllegalMonitorStateException.h"

WREN_DEFINE_CLASS(java::lang::IllegalMonitorStateException,
                  "java.lang.IllegalMonitorStateException")
