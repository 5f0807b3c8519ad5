#pragma once

#include <map>
#include <string>

namespace zolmar {

// The user's stored string preferences; a missing value reads as empty.
class Preferences {
public:
    virtual ~Preferences() = default;
    virtual std::string read(const std::string& name) = 0;
    virtual void write(const std::string& name, const std::string& value) = 0;
};

// Preferences held in memory: for tests and for headless tools.
class MemoryPreferences : public Preferences {
public:
    std::string read(const std::string& name) override {
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
    void write(const std::string& name, const std::string& value) override { values[name] = value; }
    std::map<std::string, std::string> values;
};

} // namespace zolmar
