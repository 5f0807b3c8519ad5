#include "app/QtPorts.h"

#include "model/Cp1252.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QStringList>

namespace zolmar::gui {

QString fromImageText(const std::string& bytes) {
    return QString::fromStdString(cp1252ToUtf8(bytes));
}

QString literalCaption(const std::string& bytes) {
    return fromImageText(bytes).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

std::string toImageText(const QString& text) {
    return utf8ToCp1252(text.toStdString());
}

Messages::Answer QtMessages::show(Kind kind, const std::string& text, Buttons buttons) {
    QMessageBox box(parent_);
    // The texts carry the line ends "\n\r"; a lone carriage return shows as nothing.
    QString shown = fromImageText(text);
    shown.remove(QLatin1Char('\r'));
    box.setText(shown);
    switch (kind) {
    case Kind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(QStringLiteral("Error"));
        break;
    case Kind::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(QStringLiteral("Warning"));
        break;
    case Kind::Information:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(QStringLiteral("Information"));
        break;
    case Kind::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setWindowTitle(QStringLiteral("Confirm"));
        break;
    case Kind::Plain:
        box.setWindowTitle(QStringLiteral("ZOLMAR"));
        break;
    }
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

std::string QtPreferences::read(const std::string& name) {
    QSettings settings(QStringLiteral("Helverdy"), QStringLiteral("ZOLMAR"));
    return settings.value(QString::fromStdString(name)).toString().toStdString();
}

void QtPreferences::write(const std::string& name, const std::string& value) {
    QSettings settings(QStringLiteral("Helverdy"), QStringLiteral("ZOLMAR"));
    settings.setValue(QString::fromStdString(name), QString::fromStdString(value));
}

QString QtFileDialogs::qtFilter(const std::string& filter) {
    QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList descriptions;
    for (qsizetype k = 0; k < parts.size(); k += 2)
        descriptions << parts[k];
    return descriptions.join(QStringLiteral(";;"));
}

std::optional<std::string> QtFileDialogs::askOpenFile(const std::string& title,
                                                      const std::string& filter) {
    QString name = QFileDialog::getOpenFileName(parent_, QString::fromStdString(title), QString(),
                                                qtFilter(filter));
    if (name.isEmpty())
        return std::nullopt;
    return name.toStdString();
}

std::optional<std::string> QtFileDialogs::askSaveFile(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& defaultExtension) {
    QFileDialog dialog(parent_, QString::fromStdString(title), QString(), qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromStdString(defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtFileDialogs::askSaveFileAs(const std::string& title,
                                                        const std::string& filter,
                                                        const std::string& defaultExtension,
                                                        const std::string& proposedName) {
    QFileDialog dialog(parent_, QString::fromStdString(title), QString(), qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromStdString(defaultExtension));
    dialog.selectFile(QString::fromStdString(proposedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

} // namespace zolmar::gui
