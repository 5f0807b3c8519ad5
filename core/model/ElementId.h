#pragma once

#include <cstdint>

namespace zolmar {

class tECU;

// The stable identity of one element of one configuration. It is handed out when an
// element comes into being (create, paste, load, merge, full read) and follows the
// element through every renumbering; no two elements, not even of two configurations,
// ever share one. The zero identity stands for "no element".
struct ElementId {
    uint64_t value = 0;
    explicit operator bool() const { return value != 0; }
    friend bool operator==(ElementId a, ElementId b) { return a.value == b.value; }
    friend bool operator!=(ElementId a, ElementId b) { return a.value != b.value; }
};

// What a window, dialog, log or clipboard keeps instead of an element number: it
// resolves to the element's current index when the holder acts, or to -1 once the
// element is gone (deleted, or its configuration replaced).
class ElementRef {
public:
    ElementRef() = default;
    // Refers to element i of the configuration; empty for an index outside the diagram.
    ElementRef(const tECU& ecu, int element);

    // The element's index now, -1 when it is gone or the reference is empty.
    int index(const tECU& ecu) const;
    bool resolves(const tECU& ecu) const { return index(ecu) >= 0; }
    bool empty() const { return !id_; }
    ElementId id() const { return id_; }
    void clear() {
        id_ = {};
        hint_ = -1;
    }
    friend bool operator==(const ElementRef& a, const ElementRef& b) { return a.id_ == b.id_; }

private:
    ElementId id_;
    mutable int hint_ = -1; // where the element was last found
};

} // namespace zolmar
