#include "app/UndoHistoryForm.h"

#include "app/QtPorts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zolmar::gui {

TUndoHistoryForm::TUndoHistoryForm(UndoHistory& history, QWidget* parent)
    : QDialog(parent), history_(history) {
    setObjectName(QStringLiteral("TUndoHistoryForm"));
    setWindowTitle(QStringLiteral("Undo History"));
    setModal(false);
    resize(420, 480);
    auto* column = new QVBoxLayout(this);
    column->addWidget(
        new QLabel(QStringLiteral("Click a step to go back (or forward) to the configuration "
                                  "as it was after it."),
                   this));
    List = new QListWidget(this);
    List->setObjectName(QStringLiteral("StepList"));
    column->addWidget(List);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    column->addWidget(buttons);
    connect(List, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (goTo)
            goTo(List->row(item));
    });
}

void TUndoHistoryForm::refresh() {
    if (!isVisible() || shown_ == history_.Generation())
        return;
    shown_ = history_.Generation();
    QSignalBlocker block(List);
    List->clear();
    const int position = history_.Position();
    const int saved = history_.SavedPosition();
    for (int row = 0; row <= history_.Count(); ++row) {
        QString text =
            row == 0 ? QStringLiteral("(as opened)") : fromImageText(history_.Caption(row - 1));
        if (row == saved)
            text += QStringLiteral("   [saved]");
        auto* item = new QListWidgetItem(text, List);
        if (row == position) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        } else if (row > position) {
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        }
    }
    List->setCurrentRow(position);
    List->scrollToItem(List->item(position));
}

} // namespace zolmar::gui
