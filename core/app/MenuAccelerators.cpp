#include "app/MenuAccelerators.h"

#include <set>

namespace zolmar::MenuAccelerators {

namespace {

bool isKey(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char folded(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::vector<std::string> Assign(const std::vector<std::string>& captions) {
    std::set<char> taken;
    std::vector<std::string> marked;
    marked.reserve(captions.size());
    for (const std::string& caption : captions) {
        size_t at = std::string::npos;
        // Word starts first, then any letter.
        for (int pass = 0; pass < 2 && at == std::string::npos; ++pass)
            for (size_t k = 0; k < caption.size(); ++k) {
                const bool wordStart = k == 0 || !isKey(caption[k - 1]);
                if (isKey(caption[k]) && (pass == 1 || wordStart) &&
                    !taken.count(folded(caption[k]))) {
                    at = k;
                    break;
                }
            }
        std::string text;
        for (size_t k = 0; k < caption.size(); ++k) {
            if (k == at)
                text += '&';
            text += caption[k];
            if (caption[k] == '&')
                text += '&';
        }
        if (at != std::string::npos)
            taken.insert(folded(caption[at]));
        marked.push_back(text);
    }
    return marked;
}

std::string Plain(const std::string& caption) {
    std::string text;
    for (size_t k = 0; k < caption.size(); ++k) {
        if (caption[k] != '&') {
            text += caption[k];
        } else if (k + 1 < caption.size() && caption[k + 1] == '&') {
            text += '&';
            ++k;
        }
    }
    return text;
}

} // namespace zolmar::MenuAccelerators
