#include "javax_microedition_io_HttpsConnection.h"

WREN_DEFINE_INTERFACE(javax::microedition::io::HttpsConnection,
                      "javax.microedition.io.HttpsConnection",
                      javax::microedition::io::HttpConnection)
