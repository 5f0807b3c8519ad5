#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace zolmar {

// Modal messages to the user. Texts are Windows-1252 bytes; the GUI converts them.
class Messages {
public:
    enum class Kind { Error, Warning, Information, Confirmation, Plain };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~Messages() = default;
    virtual Answer show(Kind kind, const std::string& text, Buttons buttons) = 0;

    void error(const std::string& text) { show(Kind::Error, text, Buttons::Ok); }
    void information(const std::string& text) { show(Kind::Information, text, Buttons::Ok); }
    bool askYesNo(Kind kind, const std::string& text) {
        return show(kind, text, Buttons::YesNo) == Answer::Yes;
    }
};

// Swallows every message; answers No. For code paths that run without a user.
class SilentMessages : public Messages {
public:
    Answer show(Kind, const std::string&, Buttons buttons) override {
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
};

// Records every message and answers Yes/No questions from a script (No when the
// script has run out). For tests and for tools that report messages afterwards.
class RecordingMessages : public Messages {
public:
    struct Entry {
        Kind kind;
        std::string text;
        Buttons buttons;
    };
    Answer show(Kind kind, const std::string& text, Buttons buttons) override {
        shown.push_back({kind, text, buttons});
        if (onShow)
            onShow(shown.back());
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (answers.empty())
            return Answer::No;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& e : shown)
            t.push_back(e.text);
        return t;
    }
    std::vector<Entry> shown;
    std::deque<Answer> answers;
    std::function<void(const Entry&)> onShow;
};

} // namespace zolmar
