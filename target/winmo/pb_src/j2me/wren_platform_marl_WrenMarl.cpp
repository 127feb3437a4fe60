#include "wren_platform_marl_WrenMarl.h"

#include <cstdio>
#include <string>

#include "HAL_host.h"
#include "HAL_power.h"
#include "HAL_resources.h"
#include "HAL_status.h"
#include "javax_microedition_media_Manager.h"

WREN_DEFINE_CLASS(wren::platform::marl::WrenMarl, "wren.platform.marl.WrenMarl")

namespace wren::platform::marl {

jint WrenMarl::getOrientation() {
    clinit();
    jint code = 0;
    if (HAL_getOrientation(&code) != HAL_OK) vmFatalError("HAL_getOrientation() failed.");
    return code;
}

jboolean WrenMarl::setOrientation(jint code) {
    clinit();
    // A device that fails to turn the display leaves it as it was, which
    // the game can live with: no reason to end the program.
    return HAL_setOrientation(code) == HAL_OK;
}

void WrenMarl::setIdleTimeoutEnabled(jboolean enabled) {
    clinit();
    HAL_setBacklight(!enabled);
}

VMPtr<javax::microedition::media::Player> WrenMarl::createPlayer(
    const VMPtr<VMArray<jbyte>>& data, jint offset, jint length,
    const VMPtr<java::lang::String>& contentType) {
    clinit();
    return javax::microedition::media::Manager::createPlayer(data, offset, length, contentType);
}

namespace {

// The name as the resource folder knows it: without the leading '/' of an
// absolute resource name.
std::u16string folderName(const VMPtr<java::lang::String>& name) {
    if (!name) vmThrowNullPointer();
    const jchar* chars = name->count > 0 ? name->value->elements() + name->offset : nullptr;
    std::u16string text(chars, chars + name->count);
    if (!text.empty() && text[0] == u'/') text.erase(0, 1);
    return text;
}

}  // namespace

VMPtr<java::lang::String> WrenMarl::getResourceFile(const VMPtr<java::lang::String>& name) {
    clinit();
    std::u16string text = folderName(name);
    std::string path = HAL_resourcePath(text.data(), jint(text.size()));
    return path.empty() ? name : java::lang::String::make(path.c_str());
}

VMPtr<java::lang::String> WrenMarl::getResourceProblem(const VMPtr<java::lang::String>& name) {
    clinit();
    std::u16string text = folderName(name);
    std::string problem = HAL_resourceProblem(text.data(), jint(text.size()));
    return problem.empty() ? nullptr : java::lang::String::make(problem.c_str());
}

void WrenMarl::reportFailure(const VMPtr<java::lang::String>& what) {
    clinit();
    std::string text = what ? what->toUtf8() : std::string("null");
    vmReportFailure(text.c_str());
    HAL_setExitFailed();
}

VMPtr<java::lang::String> WrenMarl::getResourceFolder() {
    clinit();
    return java::lang::String::make(HAL_resourceFolder().c_str());
}

VMPtr<java::lang::String> WrenMarl::describeFailure(const VMPtr<java::lang::Throwable>& failure) {
    clinit();
    if (!failure) return WREN_LIT("null");
    VMPtr<java::lang::String> whole = failure->toString();
    std::string text = whole->toUtf8();
    std::string folder = HAL_resourceFolder();
    size_t at = folder.empty() ? std::string::npos : text.find(folder);
    if (at == std::string::npos || at == 0) return whole;
    // What wraps the file's own words ends in ": " before them.
    size_t before = at;
    while (before > 0 && (text[before - 1] == ' ' || text[before - 1] == ':')) --before;
    std::string line = text.substr(at) + " (" + text.substr(0, before) + ")";
    return java::lang::String::make(line.c_str());
}

}  // namespace wren::platform::marl
