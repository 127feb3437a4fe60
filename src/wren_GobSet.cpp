#include "wren_GobSet.h"

WREN_DEFINE_CLASS(wren::GobSet, "wren.GobSet")

namespace wren {

jint GobSet::getValueA() {
    return valueA;
}

void GobSet::setValueA(jint v) {
    valueA = jshort(v);
}

VMPtr<VMArray<Gob*>> GobSet::getGobs() {
    return gobs;
}

jint GobSet::getFlag() {
    return flag;
}

void GobSet::setFlag(jint v) {
    flag = jbyte(v);
}

void GobSet::setValueB(jint v) {
    valueB = jshort(v);
}

jint GobSet::getValueB() {
    return valueB;
}

void GobSet::setGobs(const VMPtr<VMArray<Gob*>>& g) {
    gobs = g;
}

void GobSet::setAnimSet(const VMPtr<AnimSet>& set) {
    animSet = set;
}

VMPtr<AnimSet> GobSet::getAnimSet() {
    return animSet;
}

}  // namespace wren
