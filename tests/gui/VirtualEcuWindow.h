#pragma once

// The main window over a virtual ECU in the same process (with its self-tests and boot
// loader) holding a small configuration: one Constant "Boost" on page 8. The poll timer
// is stopped: tests drive the cycles by hand.
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/MainForm.h"
#include "emu/EcuBootLoader.h"
#include "emu/EcuSelfTests.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/NewConfiguration.h"

#include <QAction>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace zolmar::test {

struct VirtualEcuWindow : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;
    emu::VirtualEcu virtualEcu;
    emu::EcuSelfTests selfTests{virtualEcu};
    emu::EcuBootLoader bootLoader{virtualEcu};
    emu::VirtualEcuLink link{virtualEcu};
    ManualClock clock;
    std::unique_ptr<gui::TMainForm> form;

    void SetUp() override {
        link.clock = &clock;
        prefs.values["AdvancedView"] = "Advanced";
        prefs.values["ShowStartHints"] = "DontShowHints";
        SilentMessages quiet;
        auto config = std::make_unique<tECU>(quiet);
        NewConfiguration::MakeBlank(*config);
        int k = -1;
        ASSERT_TRUE(config->CreateElement(ElementType::Constant, 2, 2, "Boost", 7, &k));
        virtualEcu.LoadConfiguration(*config);
    }
    // Creates the window (after SetUp, so that a test can change the ECU or the
    // preferences first).
    void start() {
        form = std::make_unique<gui::TMainForm>(messages, prefs, dialogs, &link);
        form->pollTimer()->stop();
    }
    void poll(int cycles = 1) {
        for (int n = 0; n < cycles; ++n)
            form->PollTimerTimer();
    }
    bool pollUntil(int state, int limit = 400) {
        for (int n = 0; n < limit && form->ecu().LinkState != state; ++n)
            poll();
        return form->ecu().LinkState == state;
    }
    void trigger(const char* caption) { form->action(QString::fromUtf8(caption))->trigger(); }
};

} // namespace zolmar::test
