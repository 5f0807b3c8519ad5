#pragma once

#include "model/ECU.h"
#include "ports/FileDialogs.h"
#include "ports/Messages.h"
#include "ports/Preferences.h"

#include <array>
#include <string>

namespace zolmar {

// What the rest of the program does when the file commands change the configuration.
class FileCommandHooks {
public:
    virtual ~FileCommandHooks() = default;
    // A configuration was just read into the image and indexed (before its usage
    // words are checked): invalidate routes, set the link state, redraw, clear the
    // learn history. fromDialog is false for a recent-file open.
    virtual void configurationLoaded(bool /*fromDialog*/) {}
    // The current file name changed.
    virtual void captionChanged() {}
    // The configuration as it stands is worth a restore point: it was just saved to
    // file, or it is modified and about to be replaced.
    virtual void restorePoint(const std::string& /*reason*/, const std::string& /*file*/) {}
};

// The recent-files list kept in the preferences "RecentItem1".."RecentItem4".
class RecentFiles {
public:
    explicit RecentFiles(Preferences& prefs) : prefs_(prefs) {}
    static constexpr int kCount = 4;
    std::array<std::string, kCount> items() const;
    // Moves the name to the top; a new name pushes the fourth out.
    void add(const std::string& name);

private:
    Preferences& prefs_;
};

// The File menu's Open, recent files, Save, Save As and the question to save changes.
class FileCommands {
public:
    static constexpr const char* kAskToSave =
        "Do you want to save the changes to the current configuration?";
    static constexpr const char* kFilter = "ECU files (*.ecu)|*.ecu|All files (*.*)|*.*";
    static constexpr const char* kOpenTitle = "Select an ECU settings file to open";
    static constexpr const char* kSaveTitle = "Save ECU settings as...";

    FileCommands(tECU& ecu, Messages& messages, Preferences& prefs, FileDialogs& dialogs,
                 FileCommandHooks& hooks);

    // How a "No" answer to the question is taken.
    enum class OnNo { ClearModified, KeepModified };
    // Asks to save a modified configuration. Returns false when the command that
    // asked must stop: the user wanted the changes kept but they were not saved.
    bool askToSave(OnNo onNo);

    bool open();
    // Opens the recent entry whose menu caption is given; accelerator markers are removed.
    bool openRecent(const std::string& caption);
    bool openFile(const std::string& path, bool fromDialog);
    bool save();
    bool saveAs();
    // True when the main window may close (the changes were saved or given up).
    bool canClose();

    const std::string& currentFile() const { return currentFile_; }
    // The configuration in the image belongs to this file (recovered work); Save
    // writes it there. An empty name is a configuration never saved.
    void adoptFile(const std::string& path);
    bool saveEnabled() const { return saveEnabled_; }
    std::string caption(const std::string& title) const;
    // The caption with the window system's unsaved-changes placeholder "[*]" after
    // the file name (after the title when there is no file).
    std::string windowTitle(const std::string& title) const;
    RecentFiles& recent() { return recent_; }

    // The text a menu shows for a file name, and back: "&" marks an accelerator,
    // "&&" stands for a literal "&".
    static std::string menuCaptionFor(const std::string& fileName);
    static std::string fileNameFromCaption(const std::string& caption);
    // A chosen name without an extension gets ".ecu".
    static std::string withEcuExtension(const std::string& path);

private:
    bool writeTo(const std::string& path);

    tECU& ecu_;
    Messages& messages_;
    FileDialogs& dialogs_;
    FileCommandHooks& hooks_;
    RecentFiles recent_;
    std::string currentFile_;
    bool saveEnabled_ = false;
};

} // namespace zolmar
