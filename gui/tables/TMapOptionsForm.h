#pragma once

#include "ports/Preferences.h"

#include <QDialog>

class QCheckBox;

namespace zolmar::gui {

// "Map/Table Options": the two display options the table editor reads at each
// redraw. Loaded from the stored preferences on opening; never written back.
class TMapOptionsForm : public QDialog {
    Q_OBJECT

public:
    TMapOptionsForm(Preferences& prefs, QWidget* parent = nullptr);
    // Reads both stored values into the boxes.
    void load();
    bool highlight() const;
    bool noShading() const;
    QCheckBox* highlightBox() const { return HighlightBox; }
    QCheckBox* noShadingBox() const { return NoShadingBox; }

    // The stored values as the options read them.
    static bool highlightFrom(const std::string& stored) {
        return stored.empty() || stored == "ticked";
    }
    static bool noShadingFrom(const std::string& stored) { return stored == "DontShade"; }

signals:
    void changed();

private:
    Preferences& prefs_;
    QCheckBox* HighlightBox = nullptr;
    QCheckBox* NoShadingBox = nullptr;
};

} // namespace zolmar::gui
