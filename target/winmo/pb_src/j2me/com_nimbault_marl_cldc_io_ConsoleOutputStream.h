// The console sink under System.out and System.err: every byte goes to the
// host's console.
#pragma once

#include "java_io_OutputStream.h"

namespace com::nimbault::marl::cldc::io {

class ConsoleOutputStream : public java::io::OutputStream {
    WREN_CLASS(ConsoleOutputStream, java::io::OutputStream)
public:
    using java::io::OutputStream::write;

    void ctor() { java::io::OutputStream::ctor(); }
    // The console's own failures are not reported: printing never fails.
    void write(jint b) override;
};

}  // namespace com::nimbault::marl::cldc::io
