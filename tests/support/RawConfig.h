#pragma once

#include "model/ECU.h"

#include <string>
#include <vector>

namespace zolmar::test {

// Builds configurations byte by byte, without the model's element operations, so
// that the index, the files and the walks can be tested on any content.
class RawConfig {
public:
    explicit RawConfig(tECU& ecu) : ecu_(ecu) { clear(); }

    // An empty logic area (all 0xFF), no constants, no names.
    void clear();
    // Appends a record of the type with zeroed inputs and constants; returns its index.
    // Table records get the given dimensions (x columns, y rows; y unused for 2D).
    int add(int type, int page = 1, int column = 0, int row = 0, const std::string& name = "",
            int x = 2, int y = 2);
    void link(int element, int input, int source, int output);
    void literal(int element, int input, uint16_t raw);
    // Makes the usage words agree with the diagram.
    void finish();

    int logicEnd() const { return logic_; }
    int constEnd() const { return const_; }
    int liveEnd() const { return live_; }

private:
    tECU& ecu_;
    int logic_ = 0;
    int const_ = 0;
    int live_ = 0;
    int count_ = 0;
    std::vector<int> liveOf_;
    std::vector<int> logicOf_;
};

} // namespace zolmar::test
