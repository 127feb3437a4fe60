#include "javax_microedition_lcdui_Display.h"

#include "HAL_commands.h"
#include "HAL_power.h"
#include "HAL_status.h"
#include "HAL_window.h"
#include "VM.h"
#include "VMEvents.h"
#include "VMTry.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_NullPointerException.h"
#include "java_lang_Throwable.h"
#include "javax_microedition_lcdui_Alert.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_midlet_MIDlet.h"

WREN_DEFINE_CLASS(javax::microedition::lcdui::Display, "javax.microedition.lcdui.Display")

namespace javax::microedition::lcdui {

using java::lang::Object;

namespace {

// The serial-run routine: what the host would call with a runnable handed
// to callSerially. This host never calls it.
void serialRun(intptr_t argument) {
    VMPtr<java::lang::Runnable> r = reinterpret_cast<java::lang::Runnable*>(argument);
    vmTryCatch(
        [&] {
            VMSynchronized guard(Display::eventLock());
            r->run();
        },
        [](const VMPtr<VMException>&) {
            vmFatalError("Unexpected exception in callSerially_run()!");
        });
}

}  // namespace

void Display::staticInit() {
    Statics& s = wrenStatics_();
    s.displayLock = Object::make();
    s.eventLock = Object::make();
    VMPtr<Display> display = allocate();
    display->construct();
    s.display = display;
}

void Display::construct() {
    java::lang::Object::ctor();
    HAL_addEventListener(&Display::eventListener, VM_EVENT_MASK_ALL, 1);
    jboolean isColour = false;
    jboolean buffered = false;
    HAL_getDisplayCapabilities(&isColour, &colorCount, &alphaLevels, &buffered);
    color = isColour;
    doubleBuffered = buffered ? 1 : 0;
    foreground = true;
}

VMPtr<Display> Display::getDisplay(const VMPtr<javax::microedition::midlet::MIDlet>&) {
    clinit();
    VMSynchronized guard(S().displayLock);
    return S().display;
}

jint Display::getColor(jint specifier) {
    switch (specifier) {
        case COLOR_BACKGROUND:
        case COLOR_HIGHLIGHTED_BACKGROUND:
            return 0xFFFFFF;
        case COLOR_FOREGROUND:
        case COLOR_HIGHLIGHTED_FOREGROUND:
            return 0x000000;
        case COLOR_BORDER:
            return 0xAFAFAF;
        case COLOR_HIGHLIGHTED_BORDER:
            return 0x606060;
        default:
            java::lang::IllegalArgumentException::throwNew();
    }
}

jint Display::getBorderStyle(jboolean highlighted) {
    return highlighted ? 0 : 1;
}
jboolean Display::isColor() {
    return color;
}
jint Display::numColors() {
    return colorCount;
}
jint Display::numAlphaLevels() {
    return alphaLevels;
}

VMPtr<Displayable> Display::getCurrent() {
    VMSynchronized guard(displayLock());
    if (current) return current;
    return pending;
}

void Display::setCurrent(const VMPtr<Displayable>& d) {
    {
        VMSynchronized guard(displayLock());
        VMPtr<Alert> alert = vmCast<Alert>(d);
        if (alert && !(d == lastSet)) {
            if (vmIsInstanceOf(lastSet, Alert::classRecord()))
                java::lang::IllegalArgumentException::throwNew();
            alert->setNextDisplayable(lastSet);
        }
        if (d) {
            hasCurrent = true;
            lastSet = d;
        } else {
            hasCurrent = false;
        }
    }
    handToHost(d);
}

void Display::setCurrent(const VMPtr<Alert>& alert, const VMPtr<Displayable>& next) {
    if (!alert || !next) java::lang::NullPointerException::throwNew();
    if (vmIsInstanceOf(next, Alert::classRecord()))
        java::lang::IllegalArgumentException::throwNew();
    {
        VMSynchronized guard(displayLock());
        alert->setNextDisplayable(next);
        hasCurrent = true;
        lastSet = alert;
    }
    handToHost(alert);
}

// The host shows the displayable and posts the display event, whose
// listeners run before the post returns: the switch, with its hide and show
// notifications, is complete when this returns. displayLock is not held, so
// those notifications run outside it.
void Display::handToHost(const VMPtr<Displayable>& d) {
    if (!d) return;
    HAL_setCurrent(d->nativeDisplayable);
}

void Display::callSerially(const VMPtr<java::lang::Runnable>& r) {
    if (!r) java::lang::NullPointerException::throwNew();
    if (HAL_callSerially(&serialRun, reinterpret_cast<intptr_t>(r.get())) != HAL_OK)
        vmFatalError("Call to HAL_callSerially() failed!");
}

jboolean Display::vibrate(jint duration) {
    if (duration < 0) java::lang::IllegalArgumentException::throwNew();
    // In the foreground the device is asked; this one has no vibrator.
    return false;
}

jboolean Display::flashBacklight(jint duration) {
    if (duration < 0) java::lang::IllegalArgumentException::throwNew();
    // In the foreground the device is asked; this one cannot flash.
    return false;
}

VMPtr<Displayable> Display::displayableWithId(intptr_t id) {
    VMSynchronized guard(displayLock());
    if (lastSet && lastSet->displayId() == id) return lastSet;
    if (current && current->displayId() == id) return current;
    if (pending && pending->displayId() == id) return pending;
    return nullptr;
}

VMPtr<Displayable> Display::currentForEvents() {
    VMSynchronized guard(displayLock());
    return current;
}

void Display::foregroundChange(bool now) {
    VMPtr<Displayable> shown;
    {
        VMSynchronized guard(displayLock());
        if (bool(foreground) == now) return;
        foreground = now;
        shown = current;
    }
    if (!shown) return;
    if (now)
        shown->callShowNotify();
    else
        shown->callHideNotify();
}

void Display::displayChange(const VMPtr<Displayable>& next) {
    VMPtr<Displayable> old;
    {
        VMSynchronized guard(displayLock());
        if (next == current) return;
        old = current;
        current = nullptr;
        pending = next;
    }
    // The switch completes even when a notification throws: otherwise the
    // display would be left with nothing current, dropping every later key
    // and pointer event.
    vmTryFinally(
        [&] {
            if (old) old->callHideNotify();
            if (next) next->callShowNotify();
        },
        [&] {
            VMSynchronized guard(displayLock());
            current = next;
            pending = nullptr;
        });
}

void Display::paintEvent(intptr_t context, const VMPtr<Displayable>& target) {
    VMPtr<Graphics> g =
        Graphics::createForNativeContext(reinterpret_cast<NativeGraphics*>(context));
    vmTryFinally([&] { target->callPaint(g); }, [&] { g->dispose(); });
}

void Display::commandEvent(intptr_t id) {
    VMPtr<Displayable> target;
    VMPtr<Command> command;
    VMPtr<CommandListener> commandListener;
    {
        VMSynchronized guard(displayLock());
        target = current;
        if (!target || !target->commands || !target->listener) return;
        for (jint i = 0; i < target->commandCount; ++i) {
            VMPtr<Command> c = target->commands->at(i);
            if (c && c->id() == id) {
                command = c;
                break;
            }
        }
        commandListener = target->listener;
    }
    if (!command) return;
    vmTryCatch(
        [&] {
            VMSynchronized guard(eventLock());
            commandListener->commandAction(command, target);
        },
        [](const VMPtr<VMException>&) {
            vmFatalError("Unexpected exception in handleCommandEvent()!");
        });
}

void Display::eventListener(jint kind, jint argc, const intptr_t* args) {
    VMPtr<Display> display = wrenStatics_().display;
    if (!display) return;
    // Events come from the host: one that lacks its arguments is dropped.
    auto arg = [&](jint i) -> intptr_t { return args[i]; };
    bool has1 = args && argc >= 1;
    bool has2 = args && argc >= 2;
    bool has3 = args && argc >= 3;
    switch (kind) {
        case VM_EVENT_PAUSE:
            display->foregroundChange(false);
            break;
        case VM_EVENT_RESUME:
            display->foregroundChange(true);
            break;
        case VM_EVENT_DISPLAY:
            if (has1) {
                VMPtr<Displayable> next = display->displayableWithId(arg(0));
                if (next) display->displayChange(next);
            }
            break;
        case VM_EVENT_SIZE_CHANGED:
            if (has3) {
                VMPtr<Displayable> target = display->displayableWithId(arg(0));
                if (target) target->callSizeChanged(jint(arg(1)), jint(arg(2)));
            }
            break;
        case VM_EVENT_PAINT:
            if (has2 && arg(0)) {
                VMPtr<Displayable> target = display->displayableWithId(arg(1));
                if (target) {
                    display->paintEvent(arg(0), target);
                } else {
                    // The event hands the context over: release it even when
                    // nothing is left to paint.
                    Graphics::createForNativeContext(reinterpret_cast<NativeGraphics*>(arg(0)))
                        ->dispose();
                }
            }
            break;
        case VM_EVENT_KEY_PRESSED:
        case VM_EVENT_KEY_RELEASED:
        case VM_EVENT_KEY_REPEATED:
            if (has1) {
                VMPtr<Displayable> target = display->currentForEvents();
                if (!target) break;
                jint code = jint(arg(0));
                if (kind == VM_EVENT_KEY_PRESSED)
                    target->callKeyPressed(code);
                else if (kind == VM_EVENT_KEY_RELEASED)
                    target->callKeyReleased(code);
                else
                    target->callKeyRepeated(code);
            }
            break;
        case VM_EVENT_POINTER_PRESSED:
        case VM_EVENT_POINTER_RELEASED:
        case VM_EVENT_POINTER_DRAGGED:
            if (has2) {
                VMPtr<Displayable> target = display->currentForEvents();
                if (!target) break;
                jint x = jint(arg(0));
                jint y = jint(arg(1));
                if (kind == VM_EVENT_POINTER_PRESSED)
                    target->callPointerPressed(x, y);
                else if (kind == VM_EVENT_POINTER_RELEASED)
                    target->callPointerReleased(x, y);
                else
                    target->callPointerDragged(x, y);
            }
            break;
        case VM_EVENT_COMMAND:
            if (has1) display->commandEvent(arg(0));
            break;
        default:
            break;
    }
}

}  // namespace javax::microedition::lcdui
