#pragma once

#include "model/ECU.h"

#include <functional>
#include <string>
#include <vector>

namespace zolmar::defaults {

// An output of an element of the design.
struct Out {
    int element = -1;
    int output = 0;
};

// An output named by its element's name, for links to elements that another
// page declares (resolved when the design is written into the configuration).
struct Ref {
    std::string name;
    int output = 0;
};

// What an input receives: a link to an output, or a literal value.
struct Arg {
    Arg(Out o) : source(o) {}
    Arg(Ref r) : ref(std::move(r)), byName(true) {}
    Arg(double v) : literal(v), isLiteral(true) {}
    Arg(int v) : literal(v), isLiteral(true) {}

    Out source;
    Ref ref;
    double literal = 0;
    bool isLiteral = false;
    bool byName = false;
};

// An element of the design; converts to its first output.
struct El {
    int id = -1;
    Out out(int k) const { return {id, k}; }
    operator Out() const { return {id, 0}; }
    operator Arg() const { return Arg(Out{id, 0}); }
};

// One entry of a multiplexer: the text the simple view lists and the input.
struct Choice {
    std::string label;
    Arg input;
};

// A table point: reference (axis value) and cell value.
struct Point {
    double reference;
    double value;
};

enum class Compare { Greater = 1, Less = 2, NotEqual = 3, Equal = 4, GreaterEq = 5, LessEq = 6 };

enum class GaugeStyle { BigDial, SmallDial, Indicator };

struct GaugeScale {
    double minimum = 0;
    double maximum = 100;
    double softAlarm = 80;
    double hardAlarm = 90;
    GaugeStyle style = GaugeStyle::SmallDial;
    int dial = 0; // 1..5 places it on that dial
};

struct PidInputs {
    Arg setpoint = 0.0;
    Arg feedback = 0.0;
    Arg integral = 0.0;
    Arg proportional = 0.0;
    Arg differential = 0.0;
    Arg stopIntegralUp = 0.0;
    Arg stopIntegralDown = 0.0;
    Arg stopProportional = 0.0;
    Arg stopIntegral = 0.0;
    Arg stopDifferential = 0.0;
    Arg resetIntegral = 0.0;
    Arg timesliceMs = 50.0;
};

// The default diagram as data: pages, groups of elements in lanes, elements with
// their constants and links. Page builders declare elements in reading order; the
// design lays each page out (lanes left to right, elements top to bottom, room
// for the texts beside input pins) and writes everything into a configuration
// through the model's own operations.
class Design {
public:
    Design();

    // --- placement: what follows goes to this page, group and lane
    void page(int number, const std::string& name);
    // A new group of lanes; a heading becomes a Label above it. A group that would
    // not fit beside the previous one starts a new band below.
    void group(const std::string& heading = "", bool newBand = false);
    // Spacing of the current group, in cells: free columns between lanes (beside
    // their pin texts) and free rows between elements. Wide spacing leaves room
    // for the wires of values that feed many inputs. The extra gap widens the
    // space before the next group beside this one.
    void spacing(int laneGap, int elementGap, int extraGroupGap = 0);
    void lane(int lane);
    // Following elements are visible only in the advanced view.
    void advanced(bool on) { advanced_ = on; }
    // Extra rows before the next element of the current lane.
    void gap(int rows) { pendingGap_ = rows; }
    // The next element of the current lane starts no higher than this row of its
    // group (counted below the heading): lines elements up across lanes.
    void row(int row) { pendingRow_ = row; }

    // --- the six dedicated elements that every configuration has
    El dedicated(int index);

    // --- elements (names in UTF-8; the degree sign becomes the byte 0xB0)
    El constant(const std::string& name, double value);
    El tickbox(const std::string& name, bool ticked, Arg unticked, Arg whenTicked);
    El mux4(const std::string& name, int selected, const std::vector<Choice>& choices);
    El mux32(const std::string& name, int selected, const std::vector<Choice>& choices);
    El table2D(const std::string& name, Arg input, const std::vector<Point>& points);
    // Learning inputs of a 2D table (LearnV, Learn, Tuned).
    void learn(El table, Arg value, Arg trigger, Arg tuned);
    El table3D(const std::string& name, Arg columns, Arg rows, const std::vector<double>& xRefs,
               const std::vector<double>& yRefs,
               const std::function<double(double x, double y)>& cell);
    El sum(const std::string& name, Arg a, Arg b);
    El difference(const std::string& name, Arg a, Arg b); // a - b
    El logicAnd(const std::string& name, Arg a, Arg b, bool notA = false, bool notB = false);
    El logicOr(const std::string& name, Arg a, Arg b, bool notA = false, bool notB = false);
    El logicNot(const std::string& name, Arg a);
    El logicNor(const std::string& name, Arg a, Arg b);
    El multiply(const std::string& name, Arg a, Arg b, Arg c); // a x b / c
    El compare(const std::string& name, Arg a, Compare op, Arg b);
    El select(const std::string& name, Arg sel, Arg whenFalse, Arg whenTrue); // Switch
    El clip(const std::string& name, Arg input, Arg minimum, Arg maximum);
    El wrap(const std::string& name, Arg input, Arg minimum, Arg maximum);
    El pid(const std::string& name, const PidInputs& inputs);
    El timer(const std::string& name, Arg intervalSeconds, Arg reload);
    El latch(const std::string& name, Arg value, Arg store, bool edgeTriggered);
    El delay(const std::string& name, Arg input, int periodMs);
    El stepper(const std::string& name, Arg positionWanted, int rateCode);
    El auxOnInjectors(const std::string& name);
    El gauge(const std::string& name, Arg input, const GaugeScale& scale);
    El label(const std::string& text);

    // Links an input after the element was declared (input counted from 0).
    void connect(El element, int input, Arg source);

    // --- writing the design into a configuration
    // Writes into a new blank configuration (whose pin names the page texts may
    // already show); false (with the reasons) when the design is inconsistent or
    // does not fit.
    bool build(tECU& ecu, std::vector<std::string>& problems);

    int size() const { return static_cast<int>(elements_.size()); }
    // One line per group as the last build placed it: size, origin and lanes.
    const std::vector<std::string>& layoutReport() const { return report_; }

private:
    struct Item {
        int type = 0;
        std::string name; // image bytes
        int page = 0;
        bool advancedOnly = false;
        int group = 0;
        int lane = 0;
        int gapBefore = 0;
        int atRow = 0;
        std::vector<Arg> inputs;
        std::vector<uint8_t> constants;   // the block, for types with a fixed block
        std::vector<std::string> labels;  // multiplexer entries
        std::vector<double> xRefs, yRefs; // tables
        std::vector<double> cells;        // row by row
        int column = 0;
        int row = 0;
        int index = -1; // element index in the configuration once written
    };
    struct Group {
        int page = 0;
        std::string heading;
        bool newBand = false;
        int laneGap = 3;
        int elementGap = 1;
        int extraGap = 0;
        int headingElement = -1;
        std::vector<std::vector<int>> lanes;
    };

    El add(int type, const std::string& name, std::vector<Arg> inputs);
    El addSummer(const std::string& name, Arg a, Arg b, uint8_t flags);
    El addMux(int type, const std::string& name, int selected, const std::vector<Choice>& choices);
    void place(int id);
    bool resolve(const Arg& arg, Out& out, std::vector<std::string>& problems) const;
    // Element ids in the order the ECU should calculate them.
    std::vector<int> calculationOrder(std::vector<std::string>& problems) const;
    bool writeElements(tECU& ecu, std::vector<std::string>& problems);
    bool writeInputs(tECU& ecu, std::vector<std::string>& problems);
    bool layOut(tECU& ecu, std::vector<std::string>& problems);
    void writeTable(tECU& ecu, const Item& table);

    std::vector<Item> elements_;
    std::vector<Group> groups_;
    std::vector<std::string> pageNames_;
    std::vector<std::string> declarationProblems_;
    std::vector<std::string> report_;
    int page_ = 0;
    int group_ = -1;
    int lane_ = 0;
    int pendingGap_ = 0;
    int pendingRow_ = 0;
    bool advanced_ = false;
};

} // namespace zolmar::defaults
