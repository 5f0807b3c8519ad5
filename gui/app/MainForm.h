#pragma once

#include "editor/DiagramCanvas.h"
#include "editor/LinkRouter.h"
#include "editor/PageRenderer.h"
#include "files/FileCommands.h"
#include "model/ECU.h"

#include <QHash>
#include <QMainWindow>
#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QScrollArea;
class QTimer;
class QToolBar;

namespace zolmar::gui {

// The manual shipped beside the program.
QString helpFilePath();

// The main window: owner of the one configuration model, its menus, toolbar and views.
class TMainForm : public QMainWindow, private FileCommandHooks {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "ZOLMAR";

    TMainForm(Messages& messages, Preferences& prefs, FileDialogs& dialogs,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    tECU& ecu() { return *ecu_; }
    FileCommands& fileCommands() { return commands_; }

    // A menu or toolbar command by its caption (menus) or hint (toolbar buttons).
    QAction* action(const QString& caption) const { return actions_.value(caption); }
    QMenu* menu(const QString& title) const { return menus_.value(title); }
    QToolBar* toolBar() const { return toolBar_; }
    const std::array<QAction*, RecentFiles::kCount>& recentItems() const { return recent_; }

    LinkRouter& router() { return router_; }
    PageRenderer& renderer() { return renderer_; }
    DiagramCanvas* canvas() const { return ElementView; }
    QScrollArea* scrollBox() const { return ScrollBox; }

    // Fills the recent entries from the preferences, as each opening of the File menu does.
    void refreshRecentItems();
    // Shows the configuration as it now stands in the model.
    void refreshView();
    // Full redraw of the current page, then its overlay.
    void RenderPage();
    // Live values, hover blink, displays, dials and levers over the current page.
    void RenderOverlay();
    // Page 0..127: the page becomes current, is drawn and shown from its top-left corner.
    void setCurrentPage(int page);
    int currentPage() const { return currentPage_; }
    bool advancedView() const;
    // Ticks or unticks "Advanced View" as a click does.
    void setAdvancedView(bool advanced);
    // Ticks or unticks "Lock Logic Configuration" as a click does.
    void setConfigLocked(bool locked);
    bool configLocked() const;
    // The start-up form of the view switch, from the stored preference.
    void applyStoredView();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildTopPanel();
    QAction* addItem(QMenu* menu, const QString& caption, const QKeySequence& shortcut = {},
                     bool enabled = false);
    void updateCaption();
    void viewSwitched(bool atStartUp);
    void lockClicked();
    void redrawTimerTimer();

    // FileCommandHooks
    void configurationLoaded(bool fromDialog) override;
    void captionChanged() override;

    Messages& messages_;
    Preferences& prefs_;
    std::unique_ptr<tECU> ecu_;
    FileCommands commands_;
    LinkRouter router_;
    DiagramCanvas* ElementView = nullptr;
    QtTextMetrics metrics_;
    PageRenderer renderer_;
    int currentPage_ = 0;
    Point lastMouse_{-1, -1};
    bool shownOnce_ = false;

    QHash<QString, QAction*> actions_;
    QHash<QString, QMenu*> menus_;
    std::array<QAction*, RecentFiles::kCount> recent_{};
    QToolBar* toolBar_ = nullptr;
    QComboBox* ECUPage = nullptr;
    QComboBox* ECUPageSimple = nullptr;
    QCheckBox* AdvancedView = nullptr;
    QCheckBox* ConfigLock = nullptr;
    QLabel* LinkingHintLabel = nullptr;
    QLabel* ConnectionStatus = nullptr;
    QScrollArea* ScrollBox = nullptr;
    QTimer* RedrawTimer = nullptr;
    QList<QAction*> addButtons_;
};

} // namespace zolmar::gui
