#pragma once

#include <QIcon>

namespace zolmar::gui {

// The application icon (also every window's icon): the SVG the desktop entry
// installs, drawn by Qt's SVG support; a raster drawing of it when that is missing.
QIcon appIcon();

} // namespace zolmar::gui
