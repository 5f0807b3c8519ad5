#include "dialogs/DialogParts.h"

#include "app/QtPorts.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace zolmar::gui {

QStringList listOf(const std::vector<std::string>& items) {
    QStringList list;
    for (const auto& s : items)
        list << fromImageText(s);
    return list;
}

QHBoxLayout* buttonRow(QDialog* dialog, QPushButton*& ok, QPushButton** cancel) {
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    row->addWidget(ok);
    if (cancel) {
        *cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
        (*cancel)->setObjectName(QStringLiteral("CancelButton"));
        QObject::connect(*cancel, &QPushButton::clicked, dialog, &QDialog::reject);
        row->addWidget(*cancel);
    }
    return row;
}

} // namespace zolmar::gui
