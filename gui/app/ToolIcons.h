#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

namespace zolmar::gui {

// A toolbar icon by name ("new", "read", "table3d", ...), drawn in the program's
// own colours at normal and double resolution; a null icon for an unknown name.
QIcon toolIcon(const QString& name);
// Every name toolIcon draws.
QStringList toolIconNames();

} // namespace zolmar::gui
