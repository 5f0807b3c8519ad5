#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace zolmar::gui {

// "Learn History": the constants the ECU has learnt since the last full read.
class TLearnHistoryForm : public QDialog {
    Q_OBJECT

public:
    explicit TLearnHistoryForm(QWidget* parent = nullptr);
    // The history as the engine keeps it: lines ending with "\n\r".
    void setHistory(const std::string& history);
    QPlainTextEdit* LearnHistoryMemo = nullptr;
    QPushButton* ClearButton = nullptr;

signals:
    void clearClicked();
};

} // namespace zolmar::gui
