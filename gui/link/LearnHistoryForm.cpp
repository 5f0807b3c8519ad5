#include "link/LearnHistoryForm.h"

#include "app/QtPorts.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace zolmar::gui {

TLearnHistoryForm::TLearnHistoryForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TLearnHistoryForm"));
    setWindowTitle(QStringLiteral("Learn History"));
    setModal(false);
    auto* column = new QVBoxLayout(this);
    LearnHistoryMemo = new QPlainTextEdit(this);
    LearnHistoryMemo->setObjectName(QStringLiteral("LearnHistoryMemo"));
    LearnHistoryMemo->setReadOnly(true);
    LearnHistoryMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    column->addWidget(LearnHistoryMemo);
    ClearButton = new QPushButton(QStringLiteral("Clear"), this);
    ClearButton->setObjectName(QStringLiteral("ClearButton"));
    connect(ClearButton, &QPushButton::clicked, this, &TLearnHistoryForm::clearClicked);
    column->addWidget(ClearButton, 0, Qt::AlignRight);
    resize(640, 360);
}

void TLearnHistoryForm::setHistory(const std::string& history) {
    QString text = fromImageText(history);
    text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    LearnHistoryMemo->setPlainText(text);
    LearnHistoryMemo->verticalScrollBar()->setValue(
        LearnHistoryMemo->verticalScrollBar()->maximum());
}

} // namespace zolmar::gui
