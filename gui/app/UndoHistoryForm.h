#pragma once

#include "model/UndoHistory.h"

#include <QDialog>
#include <functional>

class QListWidget;

namespace zolmar::gui {

// "Undo History": every step of the history, the current state marked; choosing a
// row undoes or redoes up to the state after that step (the first row is the start).
class TUndoHistoryForm : public QDialog {
    Q_OBJECT

public:
    TUndoHistoryForm(UndoHistory& history, QWidget* parent = nullptr);

    // Lists the steps as they now stand (cheap when nothing changed).
    void refresh();
    QListWidget* list() const { return List; }
    // Called with the number of steps to have applied.
    std::function<void(int position)> goTo;

private:
    UndoHistory& history_;
    QListWidget* List = nullptr;
    uint64_t shown_ = ~0ull;
};

} // namespace zolmar::gui
