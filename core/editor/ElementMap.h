#pragma once

#include "editor/Geometry.h"

#include <array>
#include <cstdint>

namespace zolmar {

// What lies in each cell of the page grid: the element, its input or output
// pin there, and whether the cell is in the element's name row.
class ElementMap {
public:
    static constexpr uint32_t kNoElement = 0x1FFFF;
    static constexpr uint32_t kElementMask = 0x1FFFF;
    static constexpr int kInputShift = 17;
    static constexpr uint32_t kInputMask = 0x3Fu << kInputShift;
    static constexpr int kOutputShift = 23;
    static constexpr uint32_t kOutputMask = 0x7Fu << kOutputShift;
    static constexpr uint32_t kNameRow = 1u << 30;

    ElementMap() { clear(); }
    void clear() { cells_.fill(kNoElement); }

    // kNoElement for cells outside the grid.
    uint32_t at(int column, int row) const {
        return Grid::inGrid(column, row) ? cells_[index(column, row)] : kNoElement;
    }
    uint32_t atPixel(int x, int y) const {
        if (x < 0 || y < 0)
            return kNoElement;
        return at(x / Grid::kCell, y / Grid::kCell);
    }
    void set(int column, int row, uint32_t value) {
        if (Grid::inGrid(column, row))
            cells_[index(column, row)] = value;
    }
    // Pin numbers are 0-based here and stored + 1.
    void setInputPin(int column, int row, int input) {
        if (Grid::inGrid(column, row)) {
            uint32_t& c = cells_[index(column, row)];
            c = (c & ~kInputMask) |
                ((static_cast<uint32_t>(input + 1) << kInputShift) & kInputMask);
        }
    }
    void setOutputPin(int column, int row, int output) {
        if (Grid::inGrid(column, row)) {
            uint32_t& c = cells_[index(column, row)];
            c = (c & ~kOutputMask) |
                ((static_cast<uint32_t>(output + 1) << kOutputShift) & kOutputMask);
        }
    }

    static int element(uint32_t cell) { return static_cast<int>(cell & kElementMask); }
    // Pin number + 1, 0 when the cell is no such pin.
    static int inputPlusOne(uint32_t cell) {
        return static_cast<int>((cell & kInputMask) >> kInputShift);
    }
    static int outputPlusOne(uint32_t cell) {
        return static_cast<int>((cell & kOutputMask) >> kOutputShift);
    }
    static bool nameRow(uint32_t cell) { return (cell & kNameRow) != 0; }

private:
    static size_t index(int column, int row) {
        return static_cast<size_t>(row * Grid::kCells + column);
    }
    std::array<uint32_t, Grid::kCells * Grid::kCells> cells_{};
};

} // namespace zolmar
