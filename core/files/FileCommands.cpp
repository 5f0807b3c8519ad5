#include "files/FileCommands.h"
#include "files/RestorePoints.h"

#include "app/MenuAccelerators.h"
#include "files/SettingsFile.h"

namespace zolmar {

std::array<std::string, RecentFiles::kCount> RecentFiles::items() const {
    std::array<std::string, kCount> r;
    for (int k = 0; k < kCount; ++k)
        r[static_cast<size_t>(k)] = prefs_.read("RecentItem" + std::to_string(k + 1));
    return r;
}

void RecentFiles::add(const std::string& name) {
    auto r = items();
    if (r[0] == name)
        return;
    // The entry that matches drops out of its place; without a match the last one does.
    size_t drop = kCount - 1;
    for (size_t k = 1; k < static_cast<size_t>(kCount); ++k) {
        if (r[k] == name) {
            drop = k;
            break;
        }
    }
    for (size_t k = drop; k > 0; --k)
        r[k] = r[k - 1];
    r[0] = name;
    for (int k = 0; k < kCount; ++k)
        prefs_.write("RecentItem" + std::to_string(k + 1), r[static_cast<size_t>(k)]);
}

FileCommands::FileCommands(tECU& ecu, Messages& messages, Preferences& prefs, FileDialogs& dialogs,
                           FileCommandHooks& hooks)
    : ecu_(ecu), messages_(messages), dialogs_(dialogs), hooks_(hooks), recent_(prefs) {}

bool FileCommands::askToSave(OnNo onNo) {
    if (!ecu_.Modified)
        return true;
    // Whatever the answer, the changes can be had back.
    hooks_.restorePoint(RestorePoints::Reason::kLoadOver, currentFile_);
    if (messages_.askYesNo(Messages::Kind::Warning, kAskToSave))
        return saveAs(); // cancelled or failed: keep the changes and stop the command
    if (onNo == OnNo::ClearModified)
        ecu_.Modified = false;
    return true;
}

bool FileCommands::open() {
    if (!askToSave(OnNo::ClearModified))
        return false;
    auto path = dialogs_.askOpenFile(kOpenTitle, kFilter);
    if (!path || path->empty())
        return false;
    return openFile(*path, true);
}

bool FileCommands::openRecent(const std::string& caption) {
    std::string path = fileNameFromCaption(caption);
    if (path.empty())
        return false;
    if (!askToSave(OnNo::ClearModified))
        return false;
    return openFile(path, false);
}

bool FileCommands::openFile(const std::string& path, bool fromDialog) {
    // The file becomes the current one only once it has been read whole: a failed
    // load keeps the previous configuration and name, so Save cannot write the old
    // configuration over the file that failed to open.
    std::string error;
    if (!SettingsFile::load(ecu_, path, error)) {
        messages_.error(error);
        return false;
    }
    currentFile_ = path;
    hooks_.captionChanged();
    hooks_.configurationLoaded(fromDialog);
    ecu_.CheckUsageWords();
    recent_.add(currentFile_);
    return true;
}

bool FileCommands::writeTo(const std::string& path) {
    std::string error;
    if (!SettingsFile::save(ecu_, path, error)) {
        messages_.error(error);
        return false;
    }
    ecu_.Modified = false;
    return true;
}

bool FileCommands::save() {
    if (currentFile_.empty())
        return saveAs();
    if (!writeTo(currentFile_))
        return false;
    hooks_.restorePoint(RestorePoints::Reason::kSaved, currentFile_);
    return true;
}

bool FileCommands::saveAs() {
    auto chosen = dialogs_.askSaveFile(kSaveTitle, kFilter, "ecu");
    if (!chosen || chosen->empty())
        return false;
    std::string path = withEcuExtension(*chosen);
    if (!writeTo(path))
        return false;
    currentFile_ = path;
    saveEnabled_ = true;
    hooks_.captionChanged();
    recent_.add(currentFile_);
    hooks_.restorePoint(RestorePoints::Reason::kSaved, currentFile_);
    return true;
}

void FileCommands::adoptFile(const std::string& path) {
    currentFile_ = path;
    saveEnabled_ = !path.empty();
    hooks_.captionChanged();
}

bool FileCommands::canClose() {
    return askToSave(OnNo::KeepModified);
}

std::string FileCommands::caption(const std::string& title) const {
    if (currentFile_.empty())
        return title;
    return currentFile_ + " - " + title;
}

std::string FileCommands::windowTitle(const std::string& title) const {
    if (currentFile_.empty())
        return title + "[*]";
    return currentFile_ + "[*] - " + title;
}

std::string FileCommands::menuCaptionFor(const std::string& fileName) {
    std::string caption;
    for (char c : fileName) {
        if (c == '&')
            caption += "&&";
        else
            caption += c;
    }
    return caption;
}

std::string FileCommands::fileNameFromCaption(const std::string& caption) {
    return MenuAccelerators::Plain(caption);
}

std::string FileCommands::withEcuExtension(const std::string& path) {
    auto slash = path.find_last_of('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.find('.') != std::string::npos)
        return path;
    return path + ".ecu";
}

} // namespace zolmar
