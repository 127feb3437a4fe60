#include "javax_microedition_lcdui_Command.h"

#include "HAL_commands.h"
#include "HAL_status.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_NullPointerException.h"

WREN_DEFINE_CLASS(javax::microedition::lcdui::Command, "javax.microedition.lcdui.Command")

namespace javax::microedition::lcdui {

using java::lang::String;

Command::~Command() {
    if (nativeCommand) HAL_deleteCommand(nativeCommand);
}

void Command::ctor(const VMPtr<String>& shortLabel, jint type, jint prio) {
    ctor(shortLabel, nullptr, type, prio);
}

void Command::ctor(const VMPtr<String>& shortLabel, const VMPtr<String>& longText, jint type,
                   jint prio) {
    java::lang::Object::ctor();
    if (type < SCREEN || type > ITEM) java::lang::IllegalArgumentException::throwNew();
    priority = prio;
    commandType = type;
    setLabels(shortLabel, longText);
    // An empty label is still a label: hand the host a valid pointer for it.
    static const jchar kEmpty[1] = {0};
    const jchar* chars = label->count > 0 ? label->value->elements() + label->offset : kEmpty;
    if (HAL_createCommand(&nativeCommand, chars, label->count, commandType, priority) != HAL_OK)
        vmFatalError("HAL_createCommand() failed.");
}

void Command::setLabels(const VMPtr<String>& shortLabel, const VMPtr<String>& longText) {
    if (!shortLabel) java::lang::NullPointerException::throwNew();
    label = shortLabel;
    longLabel = longText;
}

VMPtr<String> Command::getLabel() {
    return label;
}
VMPtr<String> Command::getLongLabel() {
    return longLabel;
}
jint Command::getCommandType() {
    return commandType;
}
jint Command::getPriority() {
    return priority;
}

}  // namespace javax::microedition::lcdui
