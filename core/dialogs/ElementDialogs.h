#pragma once

#include "model/ECU.h"

#include <array>
#include <string>
#include <vector>

namespace zolmar {

// Which window a click on an element opens.
enum class DialogKind { Properties, TableEditor, Dedicated, None };
DialogKind dialogKindFor(int type);

// The fixed parts of one element type's property dialog.
struct DialogLayout {
    std::string caption;
    std::vector<std::string> description; // "Operation of this Element:" lines
    bool hasDescription = true;
    bool offersVisAdv = false; // "Visible only in advanced view" in the advanced view
    bool hasCancel = false;
    bool showsDepth = true; // "Calc. Depth" in the advanced section
};
// The layout of a type's dialog; types without a property dialog get an empty caption.
const DialogLayout& dialogLayout(int type);

// What an element dialog shows about its element when it opens.
struct ElementContext {
    int element = -1;
    int type = 0;
    int liveAddress = 0;
    int constAddress = 0;
    int configAddress = 0;
    std::string name;
    int depth = 0;
    int liveSize = 0;
    int constSize = 0;
    int configSize = 0;
    int page = 1; // 1-based, as the change log numbers pages
};

// The advanced section's captions and values, in their order.
struct AdvancedRow {
    std::string caption;
    std::string value;
};

// Decisions of the element property dialogs: what each control shows for an element
// and what changing it writes. Writes go through the model's accessors; invalid
// entries are reported through the model's messages and write nothing.
class ElementProperties {
public:
    explicit ElementProperties(tECU& ecu) : ecu_(ecu) {}

    // Opens on element i; false for an index outside the diagram.
    bool open(int element);
    const ElementContext& context() const { return ctx_; }
    std::vector<AdvancedRow> advancedRows() const;

    // "Visible only in advanced view": bit 7 of the page byte, written cosmetically.
    bool visibleOnlyInAdvanced() const;
    void setVisibleOnlyInAdvanced(bool on);

    // Constant: the edit's text, OK and the arrows. OK and the arrows repaint in place.
    std::string constantText() const;
    bool constantOk(const std::string& text);
    // Adds or subtracts 1.00 when the typed value leaves room; text becomes the new value.
    bool constantArrow(std::string& text, bool up);

    // Delay: the period in ms.
    std::string delayText() const;
    bool delayOk(const std::string& text);

    // Gauge: four value texts (min, max, soft, hard), flag bits 0..2 of const 8, number 0..5.
    std::array<std::string, 4> gaugeTexts() const;
    bool gaugeOk(const std::array<std::string, 4>& texts);
    bool gaugeFlag(int bit) const;
    // Returns true when the picture changed (boolean or large), so the page must be rerouted.
    bool setGaugeFlag(int bit, bool on);
    int gaugeNumber() const;
    void setGaugeNumber(int number);

    // Summer: operation 0 SUM, 1 OR, 2 AND, 3 XOR; invert bits 0 (input 1), 1 (input 2), 2
    // (output).
    int summerOperation() const;
    void setSummerOperation(int operation);
    bool summerInvert(int bit) const;
    void setSummerInvert(int bit, bool on);

    bool pidDivided() const;
    void setPidDivided(bool on);

    // Comparator: the entry 0..5 of the drop-down, -1 when const 0 holds no known code.
    int comparatorEntry() const;
    void setComparatorEntry(int entry);

    bool ticked() const;
    void setTicked(bool on);

    // Multiplexers: descriptions 0..n-1 and the selected input.
    int muxInputs() const;
    std::string muxDescription(int input) const;
    void setMuxDescription(int input, const std::string& text);
    int muxSelected() const;
    void selectMuxInput(int input);

    // Latch: true for edge triggered.
    bool latchEdge() const;
    void setLatchEdge(bool edge);

    // Stepper: step period entry 0..7 (5 ms .. 640 ms).
    int stepperPeriod() const;
    void setStepperPeriod(int entry);

    static const std::vector<std::string>& summerOperations();
    static const std::vector<std::string>& comparatorOperations();
    static const std::vector<std::string>& stepperPeriods();
    static const std::vector<std::string>& latchTriggers();

    // False once the element has gone (deleted, or another configuration loaded):
    // the dialog then writes nothing.
    bool stillOpen() const { return ref_.resolves(ecu_); }

private:
    // Blocks move while a dialog is open (a neighbour's table grows, elements before
    // it are deleted): addresses are read where the element is now.
    int constAddr(int b) const;
    int configAddr(int b) const;
    uint8_t constByte(int b) const { return ecu_.ReadConstByte(constAddr(b)); }
    void writeConstByte(int b, uint8_t value);
    void writeConstWord(int b, uint16_t value);
    void writeLogicByte(int b, uint8_t value, bool cosmetic);
    void log(const std::string& start, const std::string& suffix);
    std::string namedOnPage() const;
    int muxFirstByte() const;

    tECU& ecu_;
    ElementContext ctx_;
    ElementRef ref_;
};

// Parses a typed value in -655..+655; on failure shows the message and returns false.
bool parseTypedValue(Messages& messages, const std::string& text, double& value);

} // namespace zolmar
