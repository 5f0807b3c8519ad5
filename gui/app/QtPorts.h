#pragma once

#include "ports/FileDialogs.h"
#include "ports/Messages.h"
#include "ports/Preferences.h"

#include <QString>

class QWidget;

namespace zolmar::gui {

// Image text (Windows-1252 bytes) to and from the screen.
QString fromImageText(const std::string& bytes);
std::string toImageText(const QString& text);
// Image text for a caption that would take "&" as an accelerator mark (tabs, check
// boxes, buttons, menu items): every "&" shows as itself.
QString literalCaption(const std::string& bytes);

// Messages as modal message boxes over the given parent window.
class QtMessages : public Messages {
public:
    explicit QtMessages(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    Answer show(Kind kind, const std::string& text, Buttons buttons) override;

private:
    QWidget* parent_;
};

// Preferences in QSettings("Helverdy", "ZOLMAR"); values are UTF-8.
class QtPreferences : public Preferences {
public:
    std::string read(const std::string& name) override;
    void write(const std::string& name, const std::string& value) override;
};

// The platform's file dialogs; file names are UTF-8.
class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    std::optional<std::string> askOpenFile(const std::string& title,
                                           const std::string& filter) override;
    std::optional<std::string> askSaveFile(const std::string& title, const std::string& filter,
                                           const std::string& defaultExtension) override;
    std::optional<std::string> askSaveFileAs(const std::string& title, const std::string& filter,
                                             const std::string& defaultExtension,
                                             const std::string& proposedName) override;
    // "Desc (*.a)|*.a|All (*.*)|*.*" becomes "Desc (*.a);;All (*.*)".
    static QString qtFilter(const std::string& filter);

private:
    QWidget* parent_;
};

} // namespace zolmar::gui
