// javax.microedition.io.HttpConnection: an HTTP request and its response.
#pragma once

#include "javax_microedition_io_ContentConnection.h"

namespace javax::microedition::io {

class HttpConnection : public virtual ContentConnection {
    WREN_INTERFACE(HttpConnection)
public:
    // The request methods, set by the static initialiser.
    struct Statics {
        VMStaticPtr<java::lang::String> HEAD;
        VMStaticPtr<java::lang::String> GET;
        VMStaticPtr<java::lang::String> POST;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    virtual VMPtr<java::lang::String> getURL() = 0;
    virtual VMPtr<java::lang::String> getProtocol() = 0;
    virtual VMPtr<java::lang::String> getHost() = 0;
    virtual VMPtr<java::lang::String> getFile() = 0;
    virtual VMPtr<java::lang::String> getRef() = 0;
    virtual VMPtr<java::lang::String> getQuery() = 0;
    virtual jint getPort() = 0;
    virtual VMPtr<java::lang::String> getRequestMethod() = 0;
    virtual void setRequestMethod(const VMPtr<java::lang::String>& method) = 0;
    virtual VMPtr<java::lang::String> getRequestProperty(const VMPtr<java::lang::String>& key) = 0;
    virtual void setRequestProperty(const VMPtr<java::lang::String>& key,
                                    const VMPtr<java::lang::String>& value) = 0;
    virtual jint getResponseCode() = 0;
    virtual VMPtr<java::lang::String> getResponseMessage() = 0;
    virtual jlong getExpiration() = 0;
    virtual jlong getDate() = 0;
    virtual jlong getLastModified() = 0;
    virtual VMPtr<java::lang::String> getHeaderField(jint n) = 0;
    virtual VMPtr<java::lang::String> getHeaderField(const VMPtr<java::lang::String>& name) = 0;
    virtual jint getHeaderFieldInt(const VMPtr<java::lang::String>& name, jint def) = 0;
    virtual jlong getHeaderFieldDate(const VMPtr<java::lang::String>& name, jlong def) = 0;
    virtual VMPtr<java::lang::String> getHeaderFieldKey(jint n) = 0;
};

}  // namespace javax::microedition::io
