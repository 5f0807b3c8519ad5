#include "app/PageSelector.h"

#include <QTimer>

namespace zolmar::gui {

PageSelector::PageSelector(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!closing_ && onChosen)
            onChosen(index);
    });
}

void PageSelector::showPopup() {
    if (count() > 0)
        setCurrentIndex(0);
    QComboBox::showPopup();
}

void PageSelector::hidePopup() {
    QComboBox::hidePopup();
    if (closing_)
        return;
    // The list sets the chosen entry after it hides: report it once that is done.
    closing_ = true;
    QTimer::singleShot(0, this, [this] {
        closing_ = false;
        if (onChosen)
            onChosen(currentIndex());
    });
}

} // namespace zolmar::gui
