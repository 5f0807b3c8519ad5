#pragma once

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
class QToolBar;
class QTreeWidget;

namespace zolmar::gui {

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

    // Fills the recent entries from the preferences, as each opening of the File menu does.
    void refreshRecentItems();
    // Shows the configuration as it now stands in the model.
    void refreshView();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildTopPanel();
    QAction* addItem(QMenu* menu, const QString& caption, const QKeySequence& shortcut = {},
                     bool enabled = false);
    void updateCaption();

    // FileCommandHooks
    void configurationLoaded(bool fromDialog) override;
    void captionChanged() override;

    Messages& messages_;
    Preferences& prefs_;
    std::unique_ptr<tECU> ecu_;
    FileCommands commands_;

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
    QTreeWidget* ElementList = nullptr;
};

} // namespace zolmar::gui
