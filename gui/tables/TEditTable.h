#pragma once

#include "ports/FileDialogs.h"
#include "tables/TableEditor.h"

#include <QFont>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;
class QSplitter;

namespace zolmar::gui {

class TMapOptionsForm;
class TableGridView;
class TableGraphicView;

// "Table Element Properties": the one table editor window. Shows the graphic of
// the open table above its numeric grid and maps keys, mouse and menu onto the
// core TableEditor. Hidden, not destroyed, when closed.
class TEditTable : public QWidget {
    Q_OBJECT

public:
    TEditTable(tECU& ecu, Messages& messages, FileDialogs& dialogs, TMapOptionsForm& options,
               QWidget* parent = nullptr);
    ~TEditTable() override;

    TableEditor& editor() { return editor_; }
    TableCopyBuffer& copyBuffer() { return copy_; }

    // Opens the element's table (shows and raises the window); false when it is no table.
    bool OpenTable(int element);
    // The main window's poll: live labels, live cell, crosshair, then the trace step.
    void PollHooks();
    // Draws graphic and grid again (constants changed by learning, resize, splitter).
    void RedrawAll();
    // The scroll bars follow the grid's first visible cell and the table's size.
    void updateScrollBars();
    QScrollBar* horizontalBar() const { return HorzBar; }
    QScrollBar* verticalBar() const { return VertBar; }
    // The advanced-only controls follow the main window's view.
    void setAdvancedView(bool advanced);
    // One key as the window receives it.
    void handleKey(int key, Qt::KeyboardModifiers modifiers);
    // A popup-menu command by its caption (without the shortcut text).
    void runCommand(const QString& caption);

    QMenu* popupMenu() const { return GridMenu; }
    QWidget* grid() const;
    QWidget* graphic() const;
    QCheckBox* mapTraceBox() const { return MapTrace; }
    QCheckBox* advOnlyBox() const { return VisAdv; }
    QLabel* summaryLabel(int k) const { return summary_[k]; }
    TableEditor::GridMetrics gridMetrics() const;
    const QFont& gridFont() const { return gridFont_; }

    // Asked for the new reference of an insertion: the typed text, or nothing on Cancel.
    std::function<std::optional<QString>(const QString& label, const QString& proposal)>
        askInsertValue;
    // Asked for the percentage: the amount, or nothing on Cancel.
    std::function<std::optional<int>()> askPercent;
    // The diagram must be drawn again (the adv-view bit changed).
    std::function<void()> diagramChanged;
    // The "Maps/Tables" menu must be rebuilt (shape or tuned state changed).
    std::function<void()> tablesChanged;
    // Opens "Cosmetic Properties" on the element; without it the button is disabled.
    std::function<void(int element)> openCosmetic;
    // Makes a change of the table one undoable step (the main window's recordStep);
    // typing and nudges in one selection share a merge key.
    std::function<void(const std::string& caption, const std::function<void()>& command,
                       uint64_t mergeKey)>
        recordStep;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Runs a change of the open table as a step "<what> in <table name>".
    void step(const std::string& what, const std::function<void()>& change, int mergeKind = 0);
    void buildPopup();
    void showTable();
    void afterCommand();
    void insert(Tables::Axis axis);
    void exportCsv();
    void importCsv();
    void percentage();
    std::optional<QString> insertDialog(const QString& label, const QString& proposal);
    std::optional<int> percentDialog();
    // Makes the window large enough for the whole table where the screen allows.
    void growToShowTable();

    tECU& ecu_;
    Messages& messages_;
    FileDialogs& dialogs_;
    TMapOptionsForm& options_;
    TableEditor editor_;
    TableCopyBuffer copy_;
    QFont gridFont_;
    bool advanced_ = false;

    QSplitter* splitter_ = nullptr;
    TableGraphicView* graphic_ = nullptr;
    TableGridView* grid_ = nullptr;
    QLabel* summary_[3] = {};
    QWidget* infoPanel_ = nullptr;
    QList<QLabel*> infoValues_;
    QPushButton* CosPropsButton = nullptr;
    QCheckBox* VisAdv = nullptr;
    QCheckBox* MapTrace = nullptr;
    QMenu* GridMenu = nullptr;
    QScrollBar* HorzBar = nullptr;
    QScrollBar* VertBar = nullptr;
    bool syncingBars_ = false;
};

} // namespace zolmar::gui
