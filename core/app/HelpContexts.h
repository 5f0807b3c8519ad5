#pragma once

namespace zolmar {

// "Help / User Manual" (F1): which section of the manual answers for what is on the
// screen. Each context has its anchor in the manual.
namespace HelpContexts {

// What is visible when help is asked for.
struct Visible {
    bool checklist = false;
    bool wiring = false;
    bool scope = false;
    bool gauges = false;
    bool flashing = false;
    bool tableEditor = false;
    bool advancedView = false;
    bool logRetrieval = false;
    bool properties = false;
};

inline constexpr int kCount = 10;

// The context number, first match: checklist 4, wiring 1, scope 2, gauges 3,
// flashing 6, table editor 5, advanced view 7, log retrieval 8, properties 9, else 0.
int Context(const Visible& visible);
// The manual's anchor (an element id) of context 0..9.
const char* Anchor(int context);

} // namespace HelpContexts
} // namespace zolmar
