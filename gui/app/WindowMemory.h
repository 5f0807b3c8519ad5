#pragma once

#include "app/WindowPlacement.h"
#include "ports/Preferences.h"

#include <QObject>
#include <QSet>

class QWidget;

namespace zolmar::gui {

class TMainForm;

// Remembers where the main window and the long-lived windows stood: each one's
// place goes into the preferences ("Window" + its object name) when it is hidden
// or closed, and comes back, kept on the screens there are now, before it is shown.
class WindowMemory : public QObject {
    Q_OBJECT

public:
    explicit WindowMemory(Preferences& prefs, QObject* parent = nullptr);

    // Watches the window; a hidden one is put at its remembered place at once.
    // The main window also remembers whether it was maximised.
    void remember(QWidget& window, bool mainWindow = false);
    // Every window the main window keeps for the program's lifetime, except the
    // prompts that belong in the middle of it and the dial gauges, whose place the
    // preferences hold in their own values.
    void rememberLongLivedWindows(TMainForm& form);
    // Puts the window at its remembered place; false when there is none.
    bool restore(QWidget& window);
    void save(QWidget& window);

    static WindowPlacement::Rect availableArea(const QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Preferences& prefs_;
    QSet<QWidget*> mainWindows_;
};

} // namespace zolmar::gui
