#pragma once

#include "files/ImportMerge.h"
#include "model/ECU.h"
#include "ports/FileDialogs.h"
#include "ports/Messages.h"

#include <QDialog>
#include <functional>
#include <string>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace zolmar::gui {

// "Import/Merge Configuration": chooses the two sources, explains what each gives
// and, on GO, replaces the configuration with the merge. The merge itself is core's.
class TImportForm : public QDialog {
    Q_OBJECT

public:
    TImportForm(tECU& ecu, Messages& messages, FileDialogs& dialogs, QWidget* parent = nullptr);

    // Prepares the dialog as each opening does (both file names forgotten).
    void prepare();
    void validate();

    QComboBox* ConfigSource = nullptr;
    QPushButton* ConfigBrowse = nullptr;
    QComboBox* ValuesSource = nullptr;
    QPushButton* ValuesBrowse = nullptr;
    QPlainTextEdit* Explanation = nullptr;
    QPushButton* GoButton = nullptr;
    QPushButton* CancelButton = nullptr;
    // Called just before the merge replaces the configuration.
    std::function<void()> beforeMerge;

    // Makes the merge one undoable step (the main window's recordStep).
    std::function<void(const std::string& caption, const std::function<void()>& command)>
        recordStep;

signals:
    // The configuration was replaced by the merge.
    void merged();

private:
    void sourceChosen(ImportMerge::Source& source, QComboBox* list, QPushButton* browse);
    void browse(ImportMerge::Source& source, const char* title);
    void go();

    tECU& ecu_;
    Messages& messages_;
    FileDialogs& dialogs_;
    ImportMerge::Source configuration_;
    ImportMerge::Source values_;
};

} // namespace zolmar::gui
