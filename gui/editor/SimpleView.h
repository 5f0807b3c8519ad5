#pragma once

#include "editor/SimpleSheets.h"
#include "model/ECU.h"

#include <QHash>
#include <QWidget>
#include <functional>

class QPlainTextEdit;
class QTabWidget;

namespace zolmar::gui {

// The simple view: the settings sheets (PageControl1) and the hint memo
// (HintMemo). Built from the configuration by SimpleSheets; every control change
// goes to SimpleSheets, which writes the model.
class TSimpleView : public QWidget {
    Q_OBJECT

public:
    TSimpleView(tECU& ecu, Messages& messages, QWidget* parent = nullptr);

    // Rebuilds all sheets from the configuration.
    void BuildSimpleSheets(int perColumn);
    QTabWidget* pageControl() const { return PageControl1; }
    QPlainTextEdit* hintMemo() const { return HintMemo; }
    // The control of an element on its sheet, or null.
    QWidget* controlOf(int element) const { return controls_.value(element); }
    // Shows the sheet of the page, when it has one.
    bool showPage(int page);
    const SimpleSheets::Sheets& sheets() const { return sheets_; }

    // What buttons open: the table editor, or the element's own dialog.
    std::function<void(int element)> openTable;
    std::function<void(int element, SimpleSheets::ButtonTarget target)> openDialog;

signals:
    // The sheet shown changed (its index).
    void sheetChanged(int index);

private:
    void entered(int element);
    QWidget* makeControl(const SimpleSheets::Control& c, QWidget* sheet);
    void showStoredConstant(int element);

    tECU& ecu_;
    Messages& messages_;
    QTabWidget* PageControl1 = nullptr;
    QPlainTextEdit* HintMemo = nullptr;
    SimpleSheets::Sheets sheets_;
    QHash<int, QWidget*> controls_;
    bool building_ = false;
    bool hintsErrorShown_ = false;
};

} // namespace zolmar::gui
