#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;

namespace zolmar::gui {

// A caption and lines of text: the inputs an output feeds, page properties.
class TOutputLinksForm : public QDialog {
    Q_OBJECT

public:
    explicit TOutputLinksForm(QWidget* parent = nullptr);
    void showLines(const QString& caption, const QStringList& lines);
    QListWidget* Lines = nullptr;
};

} // namespace zolmar::gui
