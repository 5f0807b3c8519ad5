#include "tables/TMapOptionsForm.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace zolmar::gui {

TMapOptionsForm::TMapOptionsForm(Preferences& prefs, QWidget* parent)
    : QDialog(parent), prefs_(prefs) {
    setObjectName(QStringLiteral("TMapOptionsForm"));
    setWindowTitle(QStringLiteral("Map/Table Options"));
    auto* column = new QVBoxLayout(this);
    HighlightBox = new QCheckBox(
        QStringLiteral("Highlight the horizontal/vertical location of the current\ncell when "
                       "rendering the numeric grid for 3D tables"),
        this);
    HighlightBox->setObjectName(QStringLiteral("HighlightBox"));
    NoShadingBox = new QCheckBox(QStringLiteral("Don't do magnitude shading on 3D tables"), this);
    NoShadingBox->setObjectName(QStringLiteral("NoShadingBox"));
    column->addWidget(HighlightBox);
    column->addWidget(NoShadingBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    column->addWidget(buttons);
    connect(HighlightBox, &QCheckBox::toggled, this, &TMapOptionsForm::changed);
    connect(NoShadingBox, &QCheckBox::toggled, this, &TMapOptionsForm::changed);
    load();
}

void TMapOptionsForm::load() {
    HighlightBox->setChecked(highlightFrom(prefs_.read("HighlightCurCell")));
    NoShadingBox->setChecked(noShadingFrom(prefs_.read("DoShadedMapRender")));
}

bool TMapOptionsForm::highlight() const {
    return HighlightBox->isChecked();
}

bool TMapOptionsForm::noShading() const {
    return NoShadingBox->isChecked();
}

} // namespace zolmar::gui
