#pragma once

#include "files/ChangeLog.h"
#include "files/NewConfiguration.h"
#include "model/ECU.h"

#include <cstring>
#include <memory>
#include <string>

namespace zolmar::test {

// A blank configuration with the change log captured, for editing tests.
struct EditorModel {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    ChangeLog log;
    CapturedChangeLog* lines = nullptr;

    EditorModel() {
        NewConfiguration::MakeBlank(*ecu);
        std::memset(ecu->SyncState, 0, sizeof ecu->SyncState);
        ecu->Modified = ecu->LogicOrNamesChanged = ecu->StructureChanged = false;
        auto captured = std::make_unique<CapturedChangeLog>();
        lines = captured.get();
        log.startSink(std::move(captured));
        ecu->ChangeLogger = &log;
    }
    int create(int type, int page, int column, int row, const std::string& name) {
        int index = -1;
        ecu->CreateElement(type, column, row, name, page, &index);
        return index;
    }
    std::string logged() const { return lines->bytes; }
    void clearLog() { lines->bytes.clear(); }
};

} // namespace zolmar::test
