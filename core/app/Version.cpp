#include "app/Version.h"

#ifndef ZOLMAR_VERSION
#error "ZOLMAR_VERSION is set by the build"
#endif

namespace zolmar::Version {

namespace {

std::string& description() {
    static std::string text;
    return text;
}

} // namespace

std::string Number() {
    return ZOLMAR_VERSION;
}

std::string Text() {
    return description().empty() ? Number() : Number() + " (" + description() + ")";
}

void SetDescription(const std::string& text) {
    description() = text;
}

} // namespace zolmar::Version
