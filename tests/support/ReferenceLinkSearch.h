#pragma once

#include "editor/LinkRouter.h"

namespace zolmar::test {

// The router's maze search as it first was: every ring scans every cell of its
// window that lies in the box of reached cells. Slow but plainly right; routes
// found with it are the reference the router's own search must equal.
bool ReferenceLinkSearch(LinkRouter::Layer& h, LinkRouter::Layer& v, uint16_t net, int sx, int sy,
                         int originColumn, int originRow, int& endColumn, int& endRow);

} // namespace zolmar::test
