#pragma once

#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/MainForm.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/SettingsFile.h"

#include <QTimer>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace zolmar::test {

// The main window with the default configuration: in the virtual ECU of the same
// process, or (without an ECU) from its file. The poll timer is driven by hand and
// whatever the window opens with the desktop is recorded.
struct MainFormHarness {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;
    emu::VirtualEcu virtualEcu;
    emu::VirtualEcuLink link{virtualEcu};
    std::unique_ptr<gui::TMainForm> form;
    std::vector<QUrl> opened;

    // The virtual ECU takes the default configuration; no start hints.
    void prepare() {
        prefs.values["ShowStartHints"] = "DontShowHints";
        SilentMessages quiet;
        auto config = std::make_unique<tECU>(quiet);
        std::string error;
        ASSERT_TRUE(SettingsFile::load(*config, ZOLMAR_DEFAULT_CONFIG, error)) << error;
        virtualEcu.LoadConfiguration(*config);
    }
    void start(bool withEcu) {
        form =
            std::make_unique<gui::TMainForm>(messages, prefs, dialogs, withEcu ? &link : nullptr);
        form->setSplashAtStart(false);
        form->pollTimer()->stop();
        form->urlOpener = [this](const QUrl& url) {
            opened.push_back(url);
            return true;
        };
    }
    virtual void poll(int cycles = 1) {
        for (int n = 0; n < cycles; ++n)
            form->PollTimerTimer();
    }
    bool pollUntil(const std::function<bool()>& done, int limit = 600) {
        for (int n = 0; n < limit && !done(); ++n)
            poll();
        return done();
    }
    bool pollUntilState(int state) {
        return pollUntil([this, state] { return form->ecu().LinkState == state; });
    }
    virtual ~MainFormHarness() = default;
};

} // namespace zolmar::test
