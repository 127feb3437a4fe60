#include "wren_guide_Item.h"

WREN_DEFINE_ABSTRACT_CLASS(wren::guide::Item, "wren.guide.Item")

namespace wren::guide {

void Item::ctor(const VMPtr<java::lang::String>& itemName) {
    java::lang::Object::ctor();
    name = itemName;
}

}  // namespace wren::guide
