// The main window's part in the desktop's conventions: Alt-letter access for the
// menus and the manual opened at the window in front.
#include "app/HelpContexts.h"
#include "app/MainForm.h"
#include "app/MenuAccelerators.h"
#include "diagnostics/LogRetrieveForm.h"
#include "files/PropertiesForm.h"
#include "gauges/GaugesForm.h"
#include "link/FlashingForm.h"
#include "scope/ScopeForm.h"
#include "setup/WiringForm.h"
#include "tables/TEditTable.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

namespace zolmar::gui {

namespace {

// Marks the captions of one menu and, in turn, of its submenus.
void markMenu(const QList<QAction*>& actions) {
    std::vector<std::string> captions;
    QList<QAction*> marked;
    for (QAction* a : actions) {
        if (a->isSeparator() || a->text().isEmpty() || a->objectName().startsWith("RecentItem"))
            continue;
        captions.push_back((a->menu() ? a->menu()->title() : a->text()).toStdString());
        marked << a;
    }
    const auto withMarks = MenuAccelerators::Assign(captions);
    for (qsizetype k = 0; k < marked.size(); ++k) {
        const QString text = QString::fromStdString(withMarks[static_cast<size_t>(k)]);
        if (QMenu* sub = marked[k]->menu()) {
            sub->setTitle(text);
            // Rebuilt on opening from configuration names: those keep their own text.
            if (sub->objectName().isEmpty())
                markMenu(sub->actions());
        } else {
            marked[k]->setText(text);
        }
    }
}

} // namespace

void TMainForm::applyDesktopConventions() {
    for (const char* rebuilt : {"3D Tables", "2D Tables"})
        if (QMenu* m = menu(QString::fromUtf8(rebuilt)))
            m->setObjectName(QString::fromUtf8(rebuilt));
    markMenu(menuBar()->actions());
    markMenu(ElementOptions->actions());
    // The manual answers F1 from whichever of the program's windows is in front.
    action(QStringLiteral("Help / User Manual"))->setShortcutContext(Qt::ApplicationShortcut);
}

} // namespace zolmar::gui
