// The console sink under System.out and System.err: every byte goes to the
// host's console. Not in MIDP: one made for the error console writes to the
// host's error console instead, for reports a player must see whatever
// becomes of the output.
#pragma once

#include "java_io_OutputStream.h"

namespace com::nimbault::marl::cldc::io {

class ConsoleOutputStream : public java::io::OutputStream {
    WREN_CLASS(ConsoleOutputStream, java::io::OutputStream)
public:
    using java::io::OutputStream::write;

    void ctor() { java::io::OutputStream::ctor(); }
    void ctor(jboolean errorConsole) {
        java::io::OutputStream::ctor();
        toErrorConsole = errorConsole;
    }
    // The console's own failures are not reported: printing never fails.
    void write(jint b) override;

    jboolean toErrorConsole = false;
};

}  // namespace com::nimbault::marl::cldc::io
