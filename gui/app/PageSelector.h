#pragma once

#include <QComboBox>
#include <functional>

namespace zolmar::gui {

// A page drop-down whose list opens on its first entry and reports the entry
// chosen when the list closes, so that closing it always shows a page.
class PageSelector : public QComboBox {
public:
    explicit PageSelector(QWidget* parent = nullptr);
    void showPopup() override;
    void hidePopup() override;
    // The entry chosen: by closing the list, or by the keyboard while it is closed.
    std::function<void(int index)> onChosen;

private:
    bool closing_ = false;
};

} // namespace zolmar::gui
