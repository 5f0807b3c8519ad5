#include "dialogs/TIASciEdit.h"

#include "app/QtPorts.h"

#include <QKeyEvent>

namespace zolmar::gui {

TIASciEdit::TIASciEdit(Messages& messages, QWidget* parent) : QLineEdit(parent), entry_(messages) {
    normalBase_ = palette().color(QPalette::Base);
    normalText_ = palette().color(QPalette::Text);
    entry_.OnShow = [this](NumericEntry&) { showEntry(); };
    entry_.OnNumberChange = [this](NumericEntry&) { emit numberChanged(); };
    entry_.OnNotNumber = [this](NumericEntry&) { emit notNumber(); };
    entry_.OnOutOfBounds = [this](NumericEntry&) { emit outOfBounds(); };
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString& text) { entry_.SetText(toImageText(text)); });
    showEntry();
}

void TIASciEdit::setFontColor(const QColor& colour) {
    normalText_ = colour;
    if (!entry_.ShowingError())
        showEntry();
}

void TIASciEdit::showEntry() {
    QString text = fromImageText(entry_.Text());
    if (this->text() != text)
        setText(text);
    QPalette p = palette();
    p.setColor(QPalette::Base, entry_.ShowingError() ? SciErrorColor : normalBase_);
    p.setColor(QPalette::Text, entry_.ShowingError() ? SciErrorFontColor : normalText_);
    setPalette(p);
}

void TIASciEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        validate();
        return;
    case Qt::Key_Up:
        entry_.SetText(toImageText(text()));
        entry_.KeyUp();
        return;
    case Qt::Key_Down:
        entry_.SetText(toImageText(text()));
        entry_.KeyDown();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void TIASciEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Only a move to another control leaves it: a message box or another window
    // taking the focus is no exit, so a message never validates again.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    validate();
}

void TIASciEdit::validate() {
    if (validating_)
        return;
    validating_ = true;
    entry_.SetText(toImageText(text()));
    entry_.Validate();
    validating_ = false;
}

} // namespace zolmar::gui
