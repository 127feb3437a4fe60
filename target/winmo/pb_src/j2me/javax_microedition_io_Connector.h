// javax.microedition.io.Connector: turns a URL into a connection by making
// the protocol class for its scheme by name and letting it open the URL.
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_io_Connection.h"

namespace javax::microedition::io {

class Connector : public virtual java::lang::Object {
    WREN_CLASS(Connector, java::lang::Object)
public:
    enum : jint { READ = 1, WRITE = 2, READ_WRITE = 3 };

    struct Statics {
        // The package the protocol classes live in, from the system property
        // "javax.microedition.io.Connector.protocolpath".
        VMStaticPtr<java::lang::String> protocolPrefix;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    static VMPtr<Connection> open(const VMPtr<java::lang::String>& name);
    static VMPtr<Connection> open(const VMPtr<java::lang::String>& name, jint mode);
    // IllegalArgumentException for a null name ("Null URL"), one that starts
    // with ':' ("empty protocol in URL") or has none ("no ':' in URL");
    // ConnectionNotFoundException when no protocol class exists for the
    // scheme (taken as written, '-' read as '_'); IOException carrying the
    // failure's text when the class cannot be made or is not a protocol.
    static VMPtr<Connection> open(const VMPtr<java::lang::String>& name, jint mode,
                                  jboolean timeouts);
};

}  // namespace javax::microedition::io
