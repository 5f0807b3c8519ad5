#include "app/HelpContexts.h"

namespace zolmar::HelpContexts {

int Context(const Visible& v) {
    const struct {
        bool shown;
        int context;
    } order[] = {{v.checklist, 4},    {v.wiring, 1},       {v.scope, 2},
                 {v.gauges, 3},       {v.flashing, 6},     {v.tableEditor, 5},
                 {v.advancedView, 7}, {v.logRetrieval, 8}, {v.properties, 9}};
    for (const auto& o : order)
        if (o.shown)
            return o.context;
    return 0;
}

const char* Anchor(int context) {
    static const char* const kAnchors[kCount] = {
        "contents",     "wiring",   "scope",   "gauges",        "checklist",
        "table-editor", "firmware", "editing", "log-retrieval", "properties"};
    return context >= 0 && context < kCount ? kAnchors[context] : kAnchors[0];
}

} // namespace zolmar::HelpContexts
