#pragma once

#include <optional>
#include <string>

namespace zolmar {

// The platform's open and save file dialogs. The filter uses the form
// "Description (*.ext)|*.ext|All files (*.*)|*.*". An empty result means cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<std::string> askOpenFile(const std::string& title,
                                                   const std::string& filter) = 0;
    virtual std::optional<std::string> askSaveFile(const std::string& title,
                                                   const std::string& filter,
                                                   const std::string& defaultExtension) = 0;
    // The save dialog proposing a file name; dialogs that cannot propose one ask without.
    virtual std::optional<std::string> askSaveFileAs(const std::string& title,
                                                     const std::string& filter,
                                                     const std::string& defaultExtension,
                                                     const std::string& proposedName) {
        (void)proposedName;
        return askSaveFile(title, filter, defaultExtension);
    }
};

} // namespace zolmar
