#include "ui_MyObject.h"

#include "main_Main.h"

WREN_DEFINE_ABSTRACT_CLASS(ui::MyObject, "ui.MyObject")

namespace ui {

void MyObject::ctor() {
    java::lang::Object::ctor();
    canvas = main::Main::S().canvas;
    wantsPostUpdate = false;
    frozen = false;
    visible = true;
    depth = 0;
}

void MyObject::update() {
    if (!frozen) doUpdate();
}

void MyObject::setVisible(jboolean on) { visible = on; }

jboolean MyObject::hasPostUpdate() { return wantsPostUpdate; }

jint MyObject::getDepth() { return depth; }

void MyObject::setFrozen(jboolean on) { frozen = on; }

jboolean MyObject::isVisible() { return visible; }

jboolean MyObject::isFrozen() { return frozen; }

void MyObject::setDepth(jint d) { depth = d; }

void MyObject::setPostUpdate(jboolean on) { wantsPostUpdate = on; }

}  // namespace ui
