#include "app/HelpContexts.h"

namespace zolmar::HelpContexts {

int Context(const Visible& v) {
    if (v.undoHistory)
        return 10;
    if (v.comparison)
        return 11;
    if (v.restorePoints)
        return 12;
    if (v.logViewer)
        return 13;
    if (v.checklist)
        return 4;
    if (v.wiring)
        return 1;
    if (v.scope)
        return 2;
    if (v.gauges)
        return 3;
    if (v.flashing)
        return 6;
    if (v.tableEditor)
        return 5;
    if (v.advancedView)
        return 7;
    if (v.logRetrieval)
        return 8;
    if (v.properties)
        return 9;
    return 0;
}

std::string Anchor(int context) {
    static const char* const kAnchors[] = {"",
                                           "wiring",
                                           "scope",
                                           "gauges",
                                           "checklist",
                                           "table-editor",
                                           "firmware",
                                           "editing",
                                           "retrieve-log",
                                           "properties",
                                           "undo",
                                           "compare-window",
                                           "restore-points",
                                           "log-viewer"};
    if (context < 0 || context > 13)
        return {};
    return kAnchors[context];
}

} // namespace zolmar::HelpContexts
