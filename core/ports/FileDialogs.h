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
};

} // namespace zolmar
