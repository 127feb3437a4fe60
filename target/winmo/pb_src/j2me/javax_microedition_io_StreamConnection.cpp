#include "javax_microedition_io_StreamConnection.h"

// The record's superclass slot holds only the first super-interface; the
// second is listed too, so that instanceof OutputConnection holds for every
// stream connection and not only through the C++ layout.
WREN_DEFINE_INTERFACE(javax::microedition::io::StreamConnection,
                      "javax.microedition.io.StreamConnection",
                      javax::microedition::io::InputConnection,
                      javax::microedition::io::OutputConnection)
