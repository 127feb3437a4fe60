#include "javax_microedition_lcdui_Displayable.h"

#include "HAL_status.h"
#include "HAL_window.h"
#include "java_lang_NullPointerException.h"
#include "javax_microedition_lcdui_Display.h"

WREN_DEFINE_ABSTRACT_CLASS(javax::microedition::lcdui::Displayable,
                           "javax.microedition.lcdui.Displayable")

namespace javax::microedition::lcdui {

using java::lang::String;

namespace {

const jchar* charsOf(const VMPtr<String>& s) {
    static const jchar kEmpty[1] = {0};
    return s->count > 0 ? s->value->elements() + s->offset : kEmpty;
}

}  // namespace

void Displayable::ctor(NativeDisplayable* native) {
    java::lang::Object::ctor();
    VMSynchronized guard(Display::displayLock());
    nativeDisplayable = native;
}

VMPtr<String> Displayable::getTitle() {
    VMSynchronized guard(Display::displayLock());
    return title;
}

void Displayable::setTitle(const VMPtr<String>& s) {
    VMSynchronized guard(Display::displayLock());
    if (s == title) return;
    if (s && title && s->equals(title)) return;
    title = s;
    if (s)
        HAL_setTitle(nativeDisplayable, charsOf(s), s->count);
    else
        HAL_setTitle(nativeDisplayable, nullptr, 0);
}

VMPtr<Ticker> Displayable::getTicker() {
    VMSynchronized guard(Display::displayLock());
    return ticker;
}

void Displayable::setTicker(const VMPtr<Ticker>& t) {
    VMSynchronized guard(Display::displayLock());
    if (t == ticker) return;
    ticker = t;
    VMPtr<String> text = t ? t->getString() : nullptr;
    if (text)
        HAL_setTicker(nativeDisplayable, charsOf(text), text->count);
    else
        HAL_setTicker(nativeDisplayable, nullptr, 0);
}

jboolean Displayable::isShown() {
    VMSynchronized guard(Display::displayLock());
    VMPtr<Display> display = Display::wrenStatics_().display;
    return display && display->foreground && display->current.get() == this;
}

void Displayable::addCommand(const VMPtr<Command>& cmd) {
    if (!cmd) java::lang::NullPointerException::throwNew();
    VMSynchronized guard(Display::displayLock());
    addCommandToArray(cmd);
    HAL_addCommand(nativeDisplayable, cmd->nativeCommand);
}

void Displayable::removeCommand(const VMPtr<Command>& cmd) {
    VMSynchronized guard(Display::displayLock());
    if (removeCommandFromArray(cmd) >= 0) HAL_removeCommand(nativeDisplayable, cmd->nativeCommand);
}

jint Displayable::addCommandToArray(const VMPtr<Command>& cmd) {
    for (jint i = 0; i < commandCount; ++i)
        if (commands->at(i) == cmd) return -1;
    if (!commands || commandCount >= commands->length) {
        VMPtr<VMArray<Command*>> grown = VMArray<Command*>::create(commandCount + 4);
        for (jint i = 0; i < commandCount; ++i) grown->at(i) = commands->at(i);
        commands = grown;
    }
    jint index = commandCount;
    commands->at(index) = cmd;
    ++commandCount;
    return index;
}

jint Displayable::removeCommandFromArray(const VMPtr<Command>& cmd) {
    for (jint i = 0; i < commandCount; ++i) {
        if (commands->at(i) == cmd) {
            --commandCount;
            commands->at(i) = commands->at(commandCount);
            commands->at(commandCount) = nullptr;
            return i;
        }
    }
    return -1;
}

void Displayable::setCommandListener(const VMPtr<CommandListener>& l) {
    VMSynchronized guard(Display::displayLock());
    listener = l;
}

jint Displayable::getWidth() {
    VMSynchronized guard(Display::displayLock());
    jint width = 0;
    if (HAL_getDisplayableSize(nativeDisplayable, &width, nullptr) != HAL_OK)
        vmFatalError("HAL_getDisplayableSize() failed.");
    return width;
}

jint Displayable::getHeight() {
    VMSynchronized guard(Display::displayLock());
    jint height = 0;
    if (HAL_getDisplayableSize(nativeDisplayable, nullptr, &height) != HAL_OK)
        vmFatalError("HAL_getDisplayableSize() failed.");
    return height;
}

void Displayable::callSizeChanged(jint w, jint h) {
    VMSynchronized guard(Display::eventLock());
    sizeChanged(w, h);
}

void Displayable::callPaint(const VMPtr<Graphics>&) {}
void Displayable::callKeyPressed(jint) {}
void Displayable::callKeyRepeated(jint) {}
void Displayable::callKeyReleased(jint) {}
void Displayable::callPointerPressed(jint, jint) {}
void Displayable::callPointerReleased(jint, jint) {}
void Displayable::callPointerDragged(jint, jint) {}
void Displayable::callShowNotify() {}
void Displayable::callHideNotify() {}
void Displayable::sizeChanged(jint, jint) {}

}  // namespace javax::microedition::lcdui
