#pragma once

#include "dialogs/NumericEntry.h"

#include <QColor>
#include <QLineEdit>

namespace zolmar::gui {

// The numeric entry control: a line edit over NumericEntry, which decides what the
// text means. Enter and leaving the control validate; Up and Down step by one.
class TIASciEdit : public QLineEdit {
    Q_OBJECT

public:
    TIASciEdit(Messages& messages, QWidget* parent = nullptr);

    NumericEntry& entry() { return entry_; }
    // Takes what is typed and checks it, as Enter does.
    void validate();
    // Background and text colour while the user must correct.
    QColor SciErrorColor = Qt::black;
    QColor SciErrorFontColor = Qt::white;
    // A colour change from outside becomes the normal text colour.
    void setFontColor(const QColor& colour);

signals:
    void numberChanged();
    void notNumber();
    void outOfBounds();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showEntry();

    NumericEntry entry_;
    QColor normalBase_;
    QColor normalText_;
    bool validating_ = false;
};

} // namespace zolmar::gui
