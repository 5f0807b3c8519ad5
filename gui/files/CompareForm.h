#pragma once

#include "files/Comparison.h"
#include "model/ECU.h"

#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace zolmar::gui {

// One table of a comparison shown cell by cell: both configurations' cells and their
// difference, each cell coloured by the size of its change. It keeps the table's name,
// never an element number, and reads both configurations again on every refresh.
class TTableCompareForm : public QDialog {
    Q_OBJECT

public:
    explicit TTableCompareForm(QWidget* parent = nullptr);
    // Shows the table of the difference; a and b must outlive the form's next refresh.
    void showTable(const tECU& a, const tECU& b, const Comparison::Difference& difference,
                   const QString& aTitle, const QString& bTitle);
    void refresh();
    // What the cells show: 0 the difference, 1 A's value, 2 B's value.
    QComboBox* Show = nullptr;
    QTableWidget* Grid = nullptr;
    QLabel* Caption = nullptr;
    QPushButton* EditorButton = nullptr;
    // "Open in Table Editor": the table of A.
    std::function<void(int element)> openTable;

private:
    const tECU* a_ = nullptr;
    const tECU* b_ = nullptr;
    Comparison::Difference difference_;
    QString aTitle_, bTitle_;
};

// "Compare": the differences between two configurations by page and element, with
// filters. A is the loaded configuration (or a restore point), B a file or a point;
// checked differences of B can be taken onto the loaded configuration.
class TCompareForm : public QDialog {
    Q_OBJECT

public:
    TCompareForm(tECU& ecu, Messages& messages, QWidget* parent = nullptr);
    // Compares the loaded configuration (a null) or a, with b.
    void compare(std::unique_ptr<tECU> a, const QString& aTitle, std::unique_ptr<tECU> b,
                 const QString& bTitle);
    // Compares again (after edits, or another configuration was loaded).
    void refresh();
    // Rebuilds the tree from the last comparison through the filters.
    void fillTree();
    const Comparison::Report& report() const { return report_; }
    bool comparesLoaded() const { return !ownA_; }
    std::vector<std::string> checkedKeys() const;
    // Double-click: a table difference opens the table view, anything else the element.
    void activate(QTreeWidgetItem* item);
    void takeChecked();
    TTableCompareForm* tableView() const { return tableView_; }

    QTreeWidget* Tree = nullptr;
    QComboBox* GroupFilter = nullptr;
    QLineEdit* NameFilter = nullptr;
    QLabel* Summary = nullptr;
    QPushButton* TakeButton = nullptr;
    QPushButton* RefreshButton = nullptr;

    // The main window's parts: go to an element or page of the loaded configuration,
    // take differences of another configuration onto it (one step).
    std::function<void(int element)> goToElement;
    std::function<void(int page)> goToPage;
    std::function<void(const tECU& other, const std::vector<std::string>& keys)> takeFromOther;

protected:
    void changeEvent(QEvent* event) override;

private:
    const tECU& a() const { return ownA_ ? *ownA_ : ecu_; }
    const Comparison::Difference* differenceOf(QTreeWidgetItem* item) const;

    tECU& ecu_;
    Messages& messages_;
    std::unique_ptr<tECU> ownA_;
    std::unique_ptr<tECU> b_;
    QString aTitle_, bTitle_;
    Comparison::Report report_;
    TTableCompareForm* tableView_ = nullptr;
};

} // namespace zolmar::gui
