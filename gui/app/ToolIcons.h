#pragma once

#include <QIcon>
#include <QString>

namespace zolmar::gui {

// A toolbar icon: the platform's own for "new", "open" and "save", otherwise a
// small badge with the given text, drawn at normal and double resolution.
QIcon toolIcon(const QString& text);

} // namespace zolmar::gui
