#include "files/SettingsHints.h"

#include "files/AtomicFile.h"

#include <cstdint>
#include <functional>

namespace zolmar::SettingsHints {

namespace {

// Walks the entries; onEntry returns true to stop.
void walk(const std::string& input,
          const std::function<bool(const std::string&, const std::string&)>& onEntry) {
    const std::string bytes = input.substr(0, kMaxBytes);
    const size_t n = bytes.size();
    auto isMarker = [&](size_t p) { return p + 2 < n && bytes[p] == '*' && bytes[p + 1] == '*'; };
    // The text from p up to the next "**" (or the end); p moves onto the "**".
    auto textFrom = [&](size_t& p, bool& closed) {
        size_t end = bytes.find("**", p);
        closed = end != std::string::npos;
        if (!closed)
            end = n;
        std::string text = bytes.substr(p, end - p);
        p = end;
        return text;
    };
    std::string name;
    size_t p = 0;
    while (p < n) {
        if (!isMarker(p)) {
            ++p;
            continue;
        }
        char letter = bytes[p + 2];
        bool closed = false;
        if (letter == 's') {
            p += 3 + 6;
            if (p >= n)
                return;
            name = textFrom(p, closed);
        } else if (letter == 'h') {
            p += 3 + 3;
            if (p >= n)
                return;
            std::string hint = textFrom(p, closed);
            if (closed && onEntry(name, hint))
                return;
        } else if (letter == 'e') {
            if (p + 5 < n && bytes[p + 5] == 'f')
                return;
            name.clear();
            p += 3;
        } else {
            p += 2;
        }
    }
}

} // namespace

std::string Lookup(const std::string& bytes, const std::string& name) {
    std::string found;
    walk(bytes, [&](const std::string& n, const std::string& hint) {
        if (n != name)
            return false;
        found = hint;
        return true;
    });
    return found;
}

std::vector<std::pair<std::string, std::string>> Entries(const std::string& bytes) {
    std::vector<std::pair<std::string, std::string>> entries;
    walk(bytes, [&](const std::string& n, const std::string& hint) {
        entries.emplace_back(n, hint);
        return false;
    });
    return entries;
}

bool Read(const std::string& path, std::string& bytes, std::string& error) {
    std::vector<uint8_t> raw;
    bytes.clear();
    if (!readWholeFile(path, raw, error, kMaxBytes))
        return false;
    bytes.assign(raw.begin(), raw.end());
    return true;
}

bool Read(const std::string& path, std::string& bytes) {
    std::string error;
    return Read(path, bytes, error);
}

} // namespace zolmar::SettingsHints
