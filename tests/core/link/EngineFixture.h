#pragma once

// The synchronisation engine against the virtual ECU in the same process, with what
// the engine tells its observer recorded.
#include "LinkTestSupport.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "link/SyncEngine.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace zolmar::test {

struct Recorder : LinkObserver {
    void commandsChanged(const CommandAvailability& c) override { commands = c; }
    void connectionStatusChanged(const std::string& text) override { status = text; }
    void labelsChanged(const EcuLabels& l) override { labels = l; }
    void showProgress(const ProgressView& view) override { progress.push_back(view); }
    void hideProgress() override { ++progressHidden; }
    void showReconnect() override { ++reconnectShown; }
    void hideReconnect() override { ++reconnectHidden; }
    void showLoadOrWrite() override { ++loadOrWrite; }
    void tickLockLogic() override { ++lockTicks; }
    void learnHistoryLine(const std::string& line) override { lines.push_back(line); }
    void learnHistoryCleared() override { ++historyCleared; }
    void refreshTableEditor() override { ++tableRefreshes; }
    void fullReadFinished() override { ++readsFinished; }
    void fullWriteCommitted() override { ++writesCommitted; }
    void changesCommitted() override { ++changesCommittedCount; }
    void anotherEcu(const std::string& serial) override { others.push_back(serial); }
    bool replaceConfiguration() override {
        ++replaceAsked;
        return !keepPc;
    }
    void transferFailed(const std::string& message) override { failures.push_back(message); }

    CommandAvailability commands;
    std::string status;
    EcuLabels labels;
    std::vector<ProgressView> progress;
    std::vector<std::string> lines;
    int progressHidden = 0, reconnectShown = 0, reconnectHidden = 0, loadOrWrite = 0;
    int lockTicks = 0, historyCleared = 0, tableRefreshes = 0, readsFinished = 0;
    int writesCommitted = 0;
    int changesCommittedCount = 0;
    std::vector<std::string> others;
    int replaceAsked = 0;
    bool keepPc = false;
    std::vector<std::string> failures;
};

struct EngineTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> pc = std::make_unique<tECU>(messages);
    std::unique_ptr<emu::VirtualEcu> ecu = std::make_unique<emu::VirtualEcu>();
    emu::VirtualEcuLink link{*ecu};
    Recorder observer;
    SyncEngine engine{*pc, link, observer};
    PollContext context;
    std::vector<int> states;

    void cycle(int n = 1) {
        for (int i = 0; i < n; ++i) {
            engine.PollCycle(context);
            if (states.empty() || states.back() != pc->LinkState)
                states.push_back(pc->LinkState);
        }
    }
    // Runs cycles until the link state is reached; false after maxCycles.
    bool runUntil(int state, int maxCycles = 3000) {
        for (int i = 0; i < maxCycles; ++i) {
            if (pc->LinkState == state)
                return true;
            cycle();
        }
        return pc->LinkState == state;
    }
    // The ECU holds a configuration of this many elements.
    void ecuHolds(int elements, uint32_t seed = 1) {
        SilentMessages quiet;
        auto config = std::make_unique<tECU>(quiet);
        makeConfiguration(*config, elements, seed);
        ecu->LoadConfiguration(*config);
    }
    // Starts up against the ECU and reads it completely.
    void goOnline() {
        engine.StartUp();
        ASSERT_TRUE(runUntil(Link::Online));
        link.requests.clear();
    }
    // Requests of the given function codes recorded since the last clear.
    std::vector<std::vector<uint8_t>> sent(std::initializer_list<uint8_t> functions) const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& r : link.requests) {
            if (std::find(functions.begin(), functions.end(), r[1]) != functions.end())
                out.push_back(r);
        }
        return out;
    }
    static uint32_t addressOf(const std::vector<uint8_t>& r) {
        uint32_t bank = (r[1] == 0x04 || r[1] == 0x86 || r[1] == 0x90) ? 0x20000 : 0;
        return bank + 2u * (r[2] << 8 | r[3]);
    }
    static int countOf(const std::vector<uint8_t>& r) { return r[4] << 8 | r[5]; }
    long marked(long begin, long end, uint8_t state) const {
        return std::count(pc->SyncState + begin, pc->SyncState + end, state);
    }
};

} // namespace zolmar::test
