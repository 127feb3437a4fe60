#include "javax_microedition_io_Connector.h"

#include "VMTry.h"
#include "com_nimbault_marl_cldc_io_ConnectionBaseInterface.h"
#include "java_io_IOException.h"
#include "java_lang_ClassCastException.h"
#include "java_lang_ClassNotFoundException.h"
#include "java_lang_IllegalAccessException.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_InstantiationException.h"
#include "java_lang_StringBuffer.h"
#include "java_lang_System.h"
#include "javax_microedition_io_ConnectionNotFoundException.h"

WREN_DEFINE_CLASS(javax::microedition::io::Connector, "javax.microedition.io.Connector")

namespace javax::microedition::io {

using java::lang::String;
using java::lang::StringBuffer;

void Connector::staticInit() {
    VMPtr<String> path =
        java::lang::System::getProperty(WREN_LIT("javax.microedition.io.Connector.protocolpath"));
    wrenStatics_().protocolPrefix = path != nullptr ? path : VMPtr<String>(WREN_LIT("com.nimbault.marl.io."));
}

VMPtr<Connection> Connector::open(const VMPtr<String>& name) { return open(name, READ_WRITE, false); }

VMPtr<Connection> Connector::open(const VMPtr<String>& name, jint mode) {
    return open(name, mode, false);
}

VMPtr<Connection> Connector::open(const VMPtr<String>& name, jint mode, jboolean timeouts) {
    clinit();
    if (name == nullptr) java::lang::IllegalArgumentException::throwNew(WREN_LIT("Null URL"));
    jint colon = name->indexOf(':');
    if (colon == 0)
        java::lang::IllegalArgumentException::throwNew(WREN_LIT("empty protocol in URL"));
    if (colon < 0) java::lang::IllegalArgumentException::throwNew(WREN_LIT("no ':' in URL"));
    VMPtr<String> scheme = name->substring(0, colon)->replace(u'-', u'_');
    VMPtr<StringBuffer> className = StringBuffer::make(S().protocolPrefix);
    className->append(jchar(u'.'));
    className->append(scheme);
    className->append(".Protocol");

    VMPtr<java::lang::Class> cls;
    vmTryCatch([&] { cls = java::lang::Class::forName(className->toString()); },
               [&](const VMPtr<java::lang::ClassNotFoundException>&) {
                   VMPtr<StringBuffer> message =
                       StringBuffer::make("The requested protocol does not exist ");
                   message->append(name);
                   ConnectionNotFoundException::throwNew(message->toString());
               });
    auto asIOException = [](const auto& e) { java::io::IOException::throwNew(e->toString()); };
    VMPtr<Connection> connection;
    vmTryCatch(
        [&] {
            VMPtr<java::lang::Object> made = cls->newInstance();
            VMPtr<com::nimbault::marl::cldc::io::ConnectionBaseInterface> protocol =
                vmCast<com::nimbault::marl::cldc::io::ConnectionBaseInterface>(made);
            // A class of that name that is not a protocol fails as Java's cast would.
            if (protocol == nullptr) java::lang::ClassCastException::throwNew();
            connection = protocol->openPrim(name, mode);
        },
        [&](const VMPtr<java::lang::InstantiationException>& e) { asIOException(e); },
        [&](const VMPtr<java::lang::IllegalAccessException>& e) { asIOException(e); },
        [&](const VMPtr<java::lang::ClassCastException>& e) { asIOException(e); });
    return connection;
}

}  // namespace javax::microedition::io
