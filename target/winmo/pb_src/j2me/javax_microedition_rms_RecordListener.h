// javax.microedition.rms.RecordListener: told of every record a RecordStore
// object adds, changes or deletes, on the thread that made the change.
#pragma once

#include "VMClass.h"

namespace javax::microedition::rms {

class RecordStore;

class RecordListener : public virtual java::lang::Object {
    WREN_INTERFACE(RecordListener)
public:
    virtual void recordAdded(const VMPtr<RecordStore>& recordStore, jint recordId) = 0;
    virtual void recordChanged(const VMPtr<RecordStore>& recordStore, jint recordId) = 0;
    virtual void recordDeleted(const VMPtr<RecordStore>& recordStore, jint recordId) = 0;
};

}  // namespace javax::microedition::rms
