#pragma once

#include "model/ECU.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zolmar {

// The editor's private clipboard: records, constant blocks and names of copied
// elements. Links inside a copied group are kept as positions in the group, so a
// pasted group is wired to itself. A link from outside is kept as its source
// element's identity and output: pasted into the same configuration it links to that
// output wherever the element now is; when the source is gone, or the paste goes into
// another configuration, the input is left unlinked (and the user is told how many).
class ElementClipboard {
public:
    static constexpr int kSize = 30004;
    static constexpr int kConstAt = 8001;
    static constexpr int kNamesAt = 24002;
    static constexpr int kMaxLogic = 7999;
    static constexpr int kMaxConst = 15999;
    static constexpr int kMaxItems = 250;

    ElementClipboard() { clear(); }
    void clear();
    int count() const { return count_; }
    int logicBytes() const { return logicTotal_; }
    int constBytes() const { return constTotal_; }
    const std::array<uint8_t, kSize>& bytes() const { return bytes_; }

    // Copies one element with its links unchanged (single), or a group in its
    // ascending order with its links re-encoded. On a refusal the message is shown
    // and the clipboard is empty.
    bool copySingle(tECU& ecu, int element);
    bool copyGroup(tECU& ecu, const std::vector<int>& elements);

    // Appends the held elements to the page, 3 cells right of and below where they
    // were; their new indices go to pasted. False, with the message, when they do not fit.
    bool paste(tECU& ecu, int page, std::vector<int>& pasted) const;
    // The same without the message; unlinked counts the inputs left unlinked.
    bool paste(tECU& ecu, int page, std::vector<int>& pasted, int& unlinked) const;

    // The input-word form a record byte pair of the type holds at byte b (b >= 4).
    static bool isInputWord(int type, int b);

private:
    bool append(tECU& ecu, int element, const std::vector<int>& group);
    bool refuse(tECU& ecu, const char* message);

    std::array<uint8_t, kSize> bytes_{};
    int count_ = 0;
    int logicTotal_ = 0;
    int constTotal_ = 0;
    bool single_ = false;
    // Where each held element's record and constant block start, and their sizes.
    std::vector<int> logicSizes_;
    std::vector<int> constSizes_;
    // An input of a held element linked to an element outside the held ones.
    struct OutsideLink {
        int item = 0; // which held element
        int byte = 0; // input word's offset in its record
        ElementRef source;
        int output = 0;
    };
    std::vector<OutsideLink> outside_;
};

} // namespace zolmar
