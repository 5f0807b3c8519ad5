#pragma once

#include "ports/FileDialogs.h"

#include <deque>
#include <string>
#include <vector>

namespace zolmar::test {

// File dialogs that answer from a script: each answer is a file name, or empty
// for a cancelled dialog. Records the titles it was shown with.
class ScriptedDialogs : public FileDialogs {
public:
    std::optional<std::string> askOpenFile(const std::string& title,
                                           const std::string& filter) override {
        return next(title, filter);
    }
    std::optional<std::string> askSaveFile(const std::string& title, const std::string& filter,
                                           const std::string&) override {
        return next(title, filter);
    }
    std::deque<std::string> answers;
    std::vector<std::string> titles;

private:
    std::optional<std::string> next(const std::string& title, const std::string&) {
        titles.push_back(title);
        if (answers.empty())
            return std::nullopt;
        std::string a = answers.front();
        answers.pop_front();
        if (a.empty())
            return std::nullopt;
        return a;
    }
};

} // namespace zolmar::test
