#include "wren_KeyMapping.h"

WREN_DEFINE_CLASS(wren::KeyMapping, "wren.KeyMapping")

namespace wren {

void KeyMapping::staticInit() {
    Statics& s = wrenStatics_();
    for (VMStaticPtr<java::lang::String>* text :
         {&s.text1, &s.text2, &s.text3, &s.text4, &s.text5, &s.text6, &s.text7, &s.text8})
        *text = WREN_LIT("");
}

}  // namespace wren
