#include "app/WindowMemory.h"

#include "app/MainForm.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace zolmar::gui {

namespace {

// Prompts shown over the main window, and the dial gauges (placed by their own values).
const char* const kNotRemembered[] = {"TSplashForm", "TreconnectForm", "TLoadSaveOfflineForm",
                                      "TRealGaugesForm"};

std::vector<WindowPlacement::Rect> screenAreas() {
    std::vector<WindowPlacement::Rect> areas;
    QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        screens.removeAll(primary), screens.prepend(primary);
    for (QScreen* s : screens) {
        const QRect r = s->availableGeometry();
        areas.push_back({r.x(), r.y(), r.width(), r.height()});
    }
    return areas;
}

} // namespace

WindowMemory::WindowMemory(Preferences& prefs, QObject* parent) : QObject(parent), prefs_(prefs) {}

void WindowMemory::remember(QWidget& window, bool mainWindow) {
    if (mainWindow)
        mainWindows_.insert(&window);
    window.installEventFilter(this);
    if (!window.isVisible() && !mainWindow)
        restore(window);
}

void WindowMemory::rememberLongLivedWindows(TMainForm& form) {
    for (QWidget* w : form.findChildren<QWidget*>()) {
        if (!w->isWindow() || !w->objectName().startsWith(QLatin1Char('T')))
            continue;
        bool skip = false;
        for (const char* name : kNotRemembered)
            skip = skip || w->objectName() == QLatin1String(name);
        if (!skip)
            remember(*w);
    }
}

bool WindowMemory::restore(QWidget& window) {
    WindowPlacement place;
    if (!place.Parse(prefs_.read(WindowPlacement::Key(window.objectName().toStdString()))))
        return false;
    // A window whose size follows its content (a fixed size) only moves.
    const bool fixed = window.minimumSize() == window.maximumSize();
    if (fixed) {
        place.width = window.width();
        place.height = window.height();
    }
    const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize());
    place = place.FitInto(screenAreas(), least.width(), least.height());
    if (!fixed)
        window.resize(place.width, place.height);
    window.move(place.x, place.y);
    if (place.maximised && mainWindows_.contains(&window))
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    return true;
}

void WindowMemory::save(QWidget& window) {
    WindowPlacement place;
    const bool maximised = window.isMaximized() && mainWindows_.contains(&window);
    // A maximised window keeps the place it returns to when it is restored.
    const QRect normal = maximised ? window.normalGeometry() : QRect(window.pos(), window.size());
    place.x = normal.x();
    place.y = normal.y();
    place.width = normal.width();
    place.height = normal.height();
    place.maximised = maximised;
    if (place.width > 0 && place.height > 0)
        prefs_.write(WindowPlacement::Key(window.objectName().toStdString()), place.Format());
}

WindowPlacement::Rect WindowMemory::availableArea(const QWidget& window) {
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    const QRect r = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    return {r.x(), r.y(), r.width(), r.height()};
}

bool WindowMemory::eventFilter(QObject* watched, QEvent* event) {
    auto* window = qobject_cast<QWidget*>(watched);
    // A window is hidden rather than destroyed when the user closes it.
    if (window && window->isWindow() && !event->spontaneous() &&
        (event->type() == QEvent::Hide || event->type() == QEvent::Close))
        save(*window);
    return QObject::eventFilter(watched, event);
}

} // namespace zolmar::gui
