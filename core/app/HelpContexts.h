#pragma once

#include <string>

namespace zolmar {

// Which part of the manual F1 opens: the context of the first window in this order
// that is visible, as the help has always been organised, and its anchor.
namespace HelpContexts {

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
    // Windows of their own, before all the others.
    bool undoHistory = false;
    bool comparison = false;
    bool restorePoints = false;
    bool logViewer = false;
};

// 4 checklist, 1 wiring, 2 scope, 3 gauges, 6 flashing, 5 table editor, 7 the
// advanced view, 8 log retrieval, 9 properties, otherwise 0; ahead of them all
// 10 the undo history, 11 the comparison, 12 the restore points
// and 13 the log viewer.
int Context(const Visible& visible);
// The manual's anchor for a context; empty for the manual's start.
std::string Anchor(int context);

} // namespace HelpContexts
} // namespace zolmar
