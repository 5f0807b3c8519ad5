#include "Design.h"

#include "PageGeometry.h"
#include "model/Cp1252.h"
#include "model/Tables.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace zolmar::defaults {

namespace {

using namespace ElementType;
using PageGeometry::kCell;

// Spacing of the layout, in cells (lanes and elements have their group's spacing).
constexpr int kGroupGap = 3;    // between groups side by side and between bands
constexpr int kHeadingRows = 4; // a heading Label and the row under it
constexpr int kPageMargin = 1;

int16_t raw50(double value) {
    return static_cast<int16_t>(std::lround(value * 50.0));
}

void putWord(std::vector<uint8_t>& bytes, int offset, int16_t value) {
    auto v = static_cast<uint16_t>(value);
    bytes[static_cast<size_t>(offset)] = static_cast<uint8_t>(v & 0xFF);
    bytes[static_cast<size_t>(offset) + 1] = static_cast<uint8_t>(v >> 8);
}

std::string laneText(const std::vector<int>& left, const std::vector<int>& width) {
    std::string text;
    for (size_t l = 0; l < left.size(); ++l)
        text += " " + std::to_string(left[l]) + "+" + std::to_string(width[l]);
    return text;
}

int ceilDiv(int a, int b) {
    return a <= 0 ? 0 : (a + b - 1) / b;
}

} // namespace

Design::Design() {
    // The dedicated elements come first, in the order every configuration has them.
    const int types[] = {Inputs, AnalogueInputs, AuxOutputs, Injectors, Ignition, General};
    const char* const names[] = {"Inputs",           "Analogue inputs",  "Aux outputs",
                                 "Injector outputs", "Ignition outputs", "General"};
    for (int i = 0; i < 6; ++i) {
        Item s;
        s.type = types[i];
        s.name = names[i];
        s.page = i + 1;
        s.group = -1;
        s.inputs.assign(static_cast<size_t>(tECU::InputCount(types[i])), Arg(0.0));
        elements_.push_back(std::move(s));
    }
    pageNames_.resize(Layout::kNumPages);
    const char* const standard[] = {"Gauges",      "Inputs",           "Analogue Inputs",
                                    "Aux Outputs", "Injector Outputs", "Ignition Outputs",
                                    "General"};
    for (int p = 0; p < 7; ++p)
        pageNames_[static_cast<size_t>(p)] = standard[p];
}

void Design::page(int number, const std::string& name) {
    page_ = number;
    pageNames_[static_cast<size_t>(number)] = utf8ToCp1252(name);
    group_ = -1;
    group();
}

void Design::group(const std::string& heading, bool newBand) {
    Group g;
    g.page = page_;
    g.heading = heading;
    g.newBand = newBand;
    groups_.push_back(std::move(g));
    group_ = static_cast<int>(groups_.size()) - 1;
    lane_ = 0;
    pendingGap_ = 0;
    if (!heading.empty()) {
        El l = add(Label, heading, {});
        groups_[static_cast<size_t>(group_)].headingElement = l.id;
        auto& lanes = groups_[static_cast<size_t>(group_)].lanes;
        lanes[0].pop_back(); // the heading is placed above the lanes
    }
}

void Design::spacing(int laneGap, int elementGap, int extraGroupGap) {
    Group& g = groups_[static_cast<size_t>(group_)];
    g.laneGap = laneGap;
    g.elementGap = elementGap;
    g.extraGap = extraGroupGap;
}

void Design::lane(int lane) {
    lane_ = lane;
    pendingGap_ = 0;
    pendingRow_ = 0;
}

void Design::place(int id) {
    Item& s = elements_[static_cast<size_t>(id)];
    s.page = page_;
    s.group = group_;
    s.lane = lane_;
    s.gapBefore = pendingGap_;
    s.atRow = pendingRow_;
    pendingGap_ = 0;
    pendingRow_ = 0;
    auto& lanes = groups_[static_cast<size_t>(group_)].lanes;
    if (static_cast<int>(lanes.size()) <= lane_)
        lanes.resize(static_cast<size_t>(lane_) + 1);
    lanes[static_cast<size_t>(lane_)].push_back(id);
}

El Design::dedicated(int index) {
    place(index);
    return {index};
}

El Design::add(int type, const std::string& name, std::vector<Arg> inputs) {
    Item s;
    s.type = type;
    s.name = utf8ToCp1252(name);
    if (s.name.size() > static_cast<size_t>(Layout::kNameLength))
        declarationProblems_.push_back("name too long: \"" + name + "\"");
    s.advancedOnly = advanced_;
    inputs.resize(static_cast<size_t>(std::max(0, tECU::InputCount(type))),
                  Arg(type == Multiplier ? 1.0 : 0.0));
    s.inputs = std::move(inputs);
    int size = tECU::LogicSize(type) > 0 && type != Table2D && type != Table3D
                   ? std::max(0, typeInfo(type).constSize)
                   : 0;
    s.constants.assign(static_cast<size_t>(size), 0);
    elements_.push_back(std::move(s));
    int id = static_cast<int>(elements_.size()) - 1;
    place(id);
    return {id};
}

El Design::constant(const std::string& name, double value) {
    El e = add(Constant, name, {});
    putWord(elements_[static_cast<size_t>(e.id)].constants, 0, raw50(value));
    return e;
}

El Design::tickbox(const std::string& name, bool ticked, Arg unticked, Arg whenTicked) {
    El e = add(Tickbox, name, {unticked, whenTicked});
    elements_[static_cast<size_t>(e.id)].constants[0] = ticked ? 1 : 0;
    return e;
}

El Design::addMux(int type, const std::string& name, int selected,
                  const std::vector<Choice>& choices) {
    std::vector<Arg> inputs;
    std::vector<std::string> labels;
    for (const Choice& c : choices) {
        inputs.push_back(c.input);
        labels.push_back(utf8ToCp1252(c.label));
    }
    if (static_cast<int>(choices.size()) != tECU::InputCount(type))
        declarationProblems_.push_back("wrong number of entries in \"" + name + "\"");
    El e = add(type, name, inputs);
    Item& s = elements_[static_cast<size_t>(e.id)];
    s.labels = labels;
    s.constants[0] = static_cast<uint8_t>(selected);
    return e;
}

El Design::mux4(const std::string& name, int selected, const std::vector<Choice>& choices) {
    return addMux(Mux4, name, selected, choices);
}

El Design::mux32(const std::string& name, int selected, const std::vector<Choice>& choices) {
    return addMux(Mux32, name, selected, choices);
}

El Design::table2D(const std::string& name, Arg input, const std::vector<Point>& points) {
    El e = add(Table2D, name, {input, 0.0, 0.0, 0.0});
    Item& s = elements_[static_cast<size_t>(e.id)];
    for (const Point& p : points) {
        s.xRefs.push_back(p.reference);
        s.cells.push_back(p.value);
    }
    return e;
}

void Design::learn(El table, Arg value, Arg trigger, Arg tuned) {
    Item& s = elements_[static_cast<size_t>(table.id)];
    s.inputs[1] = std::move(value);
    s.inputs[2] = std::move(trigger);
    s.inputs[3] = std::move(tuned);
}

El Design::table3D(const std::string& name, Arg columns, Arg rows, const std::vector<double>& xRefs,
                   const std::vector<double>& yRefs,
                   const std::function<double(double, double)>& cell) {
    El e = add(Table3D, name, {columns, rows, 0.0, 0.0, 0.0});
    Item& s = elements_[static_cast<size_t>(e.id)];
    s.xRefs = xRefs;
    s.yRefs = yRefs;
    for (double y : yRefs)
        for (double x : xRefs)
            s.cells.push_back(cell(x, y));
    return e;
}

El Design::addSummer(const std::string& name, Arg a, Arg b, uint8_t flags) {
    El e = add(Summer, name, {a, b});
    elements_[static_cast<size_t>(e.id)].constants[0] = flags;
    return e;
}

El Design::sum(const std::string& name, Arg a, Arg b) {
    return addSummer(name, a, b, 0);
}

El Design::difference(const std::string& name, Arg a, Arg b) {
    return addSummer(name, a, b, 0x02);
}

El Design::logicAnd(const std::string& name, Arg a, Arg b, bool notA, bool notB) {
    return addSummer(name, a, b,
                     static_cast<uint8_t>(0x10 | (notA ? 0x01 : 0) | (notB ? 0x02 : 0)));
}

El Design::logicOr(const std::string& name, Arg a, Arg b, bool notA, bool notB) {
    return addSummer(name, a, b,
                     static_cast<uint8_t>(0x08 | (notA ? 0x01 : 0) | (notB ? 0x02 : 0)));
}

El Design::logicNot(const std::string& name, Arg a) {
    return addSummer(name, a, 0.0, 0x08 | 0x04);
}

El Design::logicNor(const std::string& name, Arg a, Arg b) {
    return addSummer(name, a, b, 0x08 | 0x04);
}

El Design::multiply(const std::string& name, Arg a, Arg b, Arg c) {
    return add(Multiplier, name, {a, b, c});
}

El Design::compare(const std::string& name, Arg a, Compare op, Arg b) {
    El e = add(Comparator, name, {a, b});
    elements_[static_cast<size_t>(e.id)].constants[0] = static_cast<uint8_t>(op);
    return e;
}

El Design::select(const std::string& name, Arg sel, Arg whenFalse, Arg whenTrue) {
    return add(Switch, name, {whenFalse, whenTrue, sel});
}

El Design::clip(const std::string& name, Arg input, Arg minimum, Arg maximum) {
    return add(Clipper, name, {input, minimum, maximum});
}

El Design::wrap(const std::string& name, Arg input, Arg minimum, Arg maximum) {
    return add(Wrapper, name, {input, minimum, maximum});
}

El Design::pid(const std::string& name, const PidInputs& p) {
    return add(PID, name,
               {p.setpoint, p.feedback, p.integral, p.proportional, p.differential,
                p.stopIntegralUp, p.stopIntegralDown, p.stopProportional, p.stopIntegral,
                p.stopDifferential, p.resetIntegral, p.timesliceMs});
}

El Design::timer(const std::string& name, Arg intervalSeconds, Arg reload) {
    return add(Timer, name, {intervalSeconds, reload});
}

El Design::latch(const std::string& name, Arg value, Arg store, bool edgeTriggered) {
    El e = add(Latch, name, {value, store});
    elements_[static_cast<size_t>(e.id)].constants[0] = edgeTriggered ? 1 : 0;
    return e;
}

El Design::delay(const std::string& name, Arg input, int periodMs) {
    El e = add(Delay, name, {input});
    putWord(elements_[static_cast<size_t>(e.id)].constants, 0, static_cast<int16_t>(periodMs));
    return e;
}

El Design::stepper(const std::string& name, Arg positionWanted, int rateCode) {
    El e = add(Stepper, name, {positionWanted});
    elements_[static_cast<size_t>(e.id)].constants[0] = static_cast<uint8_t>(rateCode & 7);
    return e;
}

El Design::auxOnInjectors(const std::string& name) {
    return add(AuxOnInj, name, {});
}

El Design::gauge(const std::string& name, Arg input, const GaugeScale& g) {
    El e = add(Gauge, name, {input});
    auto& c = elements_[static_cast<size_t>(e.id)].constants;
    putWord(c, 0, raw50(g.minimum));
    putWord(c, 2, raw50(g.maximum));
    putWord(c, 4, raw50(g.softAlarm));
    putWord(c, 6, raw50(g.hardAlarm));
    uint8_t flags = g.style == GaugeStyle::Indicator ? 0x01
                    : g.style == GaugeStyle::BigDial ? 0x02
                                                     : 0x00;
    c[8] = static_cast<uint8_t>(flags | ((g.dial & 7) << 3));
    return e;
}

El Design::label(const std::string& text) {
    return add(Label, text, {});
}

void Design::connect(El element, int input, Arg source) {
    elements_[static_cast<size_t>(element.id)].inputs[static_cast<size_t>(input)] =
        std::move(source);
}

bool Design::resolve(const Arg& arg, Out& out, std::vector<std::string>& problems) const {
    if (!arg.byName) {
        out = arg.source;
        return true;
    }
    std::string wanted = utf8ToCp1252(arg.ref.name);
    int found = -1;
    for (size_t i = 0; i < elements_.size(); ++i)
        if (elements_[i].name == wanted) {
            if (found >= 0) {
                problems.push_back("\"" + arg.ref.name + "\" names more than one element");
                return false;
            }
            found = static_cast<int>(i);
        }
    if (found < 0) {
        problems.push_back("no element is called \"" + arg.ref.name + "\"");
        return false;
    }
    out = {found, arg.ref.output};
    return true;
}

void Design::writeTable(tECU& ecu, const Item& s) {
    int i = s.index;
    Tables::AxisLayout columns{0, static_cast<int>(s.xRefs.size()) - 1, 1};
    Tables::AxisLayout rows{0, static_cast<int>(s.yRefs.size()) - 1, 1};
    Tables::LayOut(ecu, i, columns, s.type == Table3D ? &rows : nullptr);
    Tables::Shape shape;
    Tables::ShapeOf(ecu, i, shape);
    for (size_t k = 0; k < s.xRefs.size(); ++k)
        ecu.WriteConstWord(shape.referenceAddress(Tables::Axis::Horizontal, static_cast<int>(k)),
                           static_cast<uint16_t>(raw50(s.xRefs[k])));
    for (size_t k = 0; k < s.yRefs.size(); ++k)
        ecu.WriteConstWord(shape.referenceAddress(Tables::Axis::Vertical, static_cast<int>(k)),
                           static_cast<uint16_t>(raw50(s.yRefs[k])));
    int width = static_cast<int>(s.xRefs.size());
    for (size_t k = 0; k < s.cells.size(); ++k) {
        // Cells keep their tuned flag (bit 0) clear: nothing here is tuned on an engine.
        auto raw = static_cast<uint16_t>(raw50(s.cells[k]) & ~1);
        Tables::WriteCell(ecu, shape, static_cast<int>(k) % width, static_cast<int>(k) / width,
                          raw);
    }
}

std::vector<int> Design::calculationOrder(std::vector<std::string>& problems) const {
    const int n = static_cast<int>(elements_.size());
    std::vector<std::vector<int>> users(static_cast<size_t>(n));
    for (int id = 6; id < n; ++id)
        for (const Arg& a : elements_[static_cast<size_t>(id)].inputs) {
            Out source;
            if (a.isLiteral || !resolve(a, source, problems) || source.element < 6 ||
                source.element >= n)
                continue;
            users[static_cast<size_t>(source.element)].push_back(id);
        }
    // Feedback loops (strongly connected groups of elements) are calculated as
    // one step; between the groups, sources come before their users.
    std::vector<int> group(static_cast<size_t>(n), -1), low(static_cast<size_t>(n), 0),
        seen(static_cast<size_t>(n), -1), stack;
    std::vector<bool> onStack(static_cast<size_t>(n), false);
    int counter = 0, groups = 0;
    std::function<void(int)> visit = [&](int v) {
        seen[static_cast<size_t>(v)] = low[static_cast<size_t>(v)] = counter++;
        stack.push_back(v);
        onStack[static_cast<size_t>(v)] = true;
        for (int w : users[static_cast<size_t>(v)]) {
            if (seen[static_cast<size_t>(w)] < 0) {
                visit(w);
                low[static_cast<size_t>(v)] =
                    std::min(low[static_cast<size_t>(v)], low[static_cast<size_t>(w)]);
            } else if (onStack[static_cast<size_t>(w)]) {
                low[static_cast<size_t>(v)] =
                    std::min(low[static_cast<size_t>(v)], seen[static_cast<size_t>(w)]);
            }
        }
        if (low[static_cast<size_t>(v)] == seen[static_cast<size_t>(v)]) {
            int w;
            do {
                w = stack.back();
                stack.pop_back();
                onStack[static_cast<size_t>(w)] = false;
                group[static_cast<size_t>(w)] = groups;
            } while (w != v);
            ++groups;
        }
    };
    for (int id = 6; id < n; ++id)
        if (seen[static_cast<size_t>(id)] < 0)
            visit(id);
    // Kahn's order over the groups, the group declared first first.
    std::vector<std::vector<int>> members(static_cast<size_t>(groups));
    std::vector<int> waiting(static_cast<size_t>(groups), 0), first(static_cast<size_t>(groups), n);
    for (int id = 6; id < n; ++id) {
        int g = group[static_cast<size_t>(id)];
        members[static_cast<size_t>(g)].push_back(id);
        first[static_cast<size_t>(g)] = std::min(first[static_cast<size_t>(g)], id);
        for (int user : users[static_cast<size_t>(id)])
            if (group[static_cast<size_t>(user)] != g)
                ++waiting[static_cast<size_t>(group[static_cast<size_t>(user)])];
    }
    std::set<std::pair<int, int>> ready; // (first id, group)
    for (int g = 0; g < groups; ++g)
        if (waiting[static_cast<size_t>(g)] == 0)
            ready.insert({first[static_cast<size_t>(g)], g});
    std::vector<int> order = {0, 1, 2, 3, 4, 5};
    while (!ready.empty()) {
        int g = ready.begin()->second;
        ready.erase(ready.begin());
        for (int id : members[static_cast<size_t>(g)]) {
            order.push_back(id);
            for (int user : users[static_cast<size_t>(id)]) {
                int ug = group[static_cast<size_t>(user)];
                if (ug != g && --waiting[static_cast<size_t>(ug)] == 0)
                    ready.insert({first[static_cast<size_t>(ug)], ug});
            }
        }
    }
    return order;
}

bool Design::writeElements(tECU& ecu, std::vector<std::string>& problems) {
    std::vector<int> order = calculationOrder(problems);
    if (!problems.empty())
        return false;
    for (int id : order) {
        Item& s = elements_[static_cast<size_t>(id)];
        if (id < 6) {
            s.index = id;
            continue;
        }
        int index = -1;
        if (!ecu.CreateElement(s.type, 0, 0, s.name, s.page, &index) ||
            index != ecu.NumElements - 1) {
            problems.push_back("could not create \"" + cp1252ToUtf8(s.name) + "\"");
            return false;
        }
        s.index = index;
        int record = ecu.ElementLogicOffset[index];
        if (s.advancedOnly)
            ecu.WriteLogicByte(record + 3, static_cast<uint8_t>(s.page | 0x80), true);
        if (s.type == Table2D || s.type == Table3D) {
            for (size_t k = 1; k < s.xRefs.size(); ++k)
                if (!(s.xRefs[k] > s.xRefs[k - 1]))
                    problems.push_back("references not increasing in \"" + cp1252ToUtf8(s.name) +
                                       "\"");
            for (size_t k = 1; k < s.yRefs.size(); ++k)
                if (!(s.yRefs[k] > s.yRefs[k - 1]))
                    problems.push_back("references not increasing in \"" + cp1252ToUtf8(s.name) +
                                       "\"");
            writeTable(ecu, s);
            continue;
        }
        int c = ecu.ElementConstOffset[index];
        for (size_t k = 0; k < s.constants.size(); ++k)
            ecu.WriteConstByte(c + static_cast<int>(k), s.constants[k]);
        int labelBase = s.type == Mux4 ? 12 : s.type == Mux32 ? 68 : -1;
        if (labelBase > 0)
            for (size_t r = 0; r < s.labels.size(); ++r) {
                const std::string& text = s.labels[r];
                if (text.size() > 16)
                    problems.push_back("mux entry too long: \"" + cp1252ToUtf8(text) + "\"");
                for (size_t j = 0; j < 16; ++j)
                    ecu.WriteLogicByte(record + labelBase + static_cast<int>(16 * r + j),
                                       j < text.size() ? static_cast<uint8_t>(text[j]) : 0, false);
            }
    }
    return problems.empty();
}

bool Design::writeInputs(tECU& ecu, std::vector<std::string>& problems) {
    for (const Item& s : elements_) {
        for (size_t k = 0; k < s.inputs.size(); ++k) {
            const Arg& a = s.inputs[k];
            std::string where =
                "input " + std::to_string(k) + " of \"" + cp1252ToUtf8(s.name) + "\"";
            if (a.isLiteral) {
                if (!ecu.SetLiteral(s.index, static_cast<int>(k), a.literal))
                    problems.push_back(where + ": literal out of range");
                continue;
            }
            Out source;
            if (!resolve(a, source, problems))
                continue;
            if (source.element < 0 || source.element >= static_cast<int>(elements_.size()) ||
                !ecu.LinkInput(s.index, static_cast<int>(k),
                               elements_[static_cast<size_t>(source.element)].index, source.output))
                problems.push_back(where + ": cannot link");
        }
    }
    return problems.empty();
}

bool Design::layOut(tECU& ecu, std::vector<std::string>& problems) {
    std::vector<PageGeometry::Footprint> prints;
    for (const Item& s : elements_)
        prints.push_back(PageGeometry::footprintOf(ecu, s.index));

    struct Band {
        int x = kPageMargin;
        int y = kPageMargin;
        int height = 0;
    };
    std::map<int, Band> bands;
    auto move = [&ecu](int index, int column, int row) {
        int record = ecu.ElementLogicOffset[index];
        ecu.WriteLogicByte(record + 1, static_cast<uint8_t>(column), true);
        ecu.WriteLogicByte(record + 2, static_cast<uint8_t>(row), true);
    };

    for (const Group& g : groups_) {
        if (g.lanes.empty() && g.headingElement < 0)
            continue;
        // Each lane: room for pin texts and name overhang on the left, width on the right.
        std::vector<int> laneLeft, laneWidth;
        for (const auto& lane : g.lanes) {
            int left = 0, right = 0;
            for (int id : lane) {
                const auto& f = prints[static_cast<size_t>(id)];
                PageGeometry::Rect b = f.bounds();
                left = std::max(left, ceilDiv(-b.left, kCell));
                right = std::max({right, f.columns, ceilDiv(b.right, kCell)});
            }
            laneLeft.push_back(left);
            laneWidth.push_back(right);
        }
        int top = g.headingElement >= 0 ? kHeadingRows : 0;
        // Lanes run left to right; a group wider than the page continues with its
        // next lanes on a new row below, like a line of text.
        const int usable = PageGeometry::kGridCells - 2 * kPageMargin;
        std::vector<int> laneX(g.lanes.size()), laneRow(g.lanes.size());
        int x = 0, width = 0, rowCount = 0;
        for (size_t l = 0; l < g.lanes.size(); ++l) {
            int start = l == 0 ? 0 : x + g.laneGap;
            if (l > 0 && start + laneLeft[l] + laneWidth[l] > usable) {
                start = 0;
                ++rowCount;
            }
            laneX[l] = start + laneLeft[l];
            laneRow[l] = rowCount;
            x = laneX[l] + laneWidth[l];
            width = std::max(width, x);
        }
        if (g.headingElement >= 0)
            width = std::max(width, prints[static_cast<size_t>(g.headingElement)].columns);
        // Element rows within each lane, then each row of lanes below the previous.
        std::vector<std::vector<int>> rows(g.lanes.size());
        std::vector<int> rowHeight(static_cast<size_t>(rowCount) + 1, 0);
        for (size_t l = 0; l < g.lanes.size(); ++l) {
            int y = 0;
            for (int id : g.lanes[l]) {
                const Item& s = elements_[static_cast<size_t>(id)];
                y = std::max(y + s.gapBefore, s.atRow);
                rows[l].push_back(y);
                const auto& f = prints[static_cast<size_t>(id)];
                int bottom = std::max(f.rows, ceilDiv(f.bounds().bottom, kCell));
                y += bottom + g.elementGap;
            }
            int& h = rowHeight[static_cast<size_t>(laneRow[l])];
            h = std::max(h, y - g.elementGap);
        }
        std::vector<int> rowTop(rowHeight.size(), top);
        for (size_t r = 1; r < rowHeight.size(); ++r)
            rowTop[r] = rowTop[r - 1] + rowHeight[r - 1] + kGroupGap;
        int height = rowTop.back() + rowHeight.back();
        for (size_t l = 0; l < g.lanes.size(); ++l)
            for (int& y : rows[l])
                y += rowTop[static_cast<size_t>(laneRow[l])];

        Band& band = bands[g.page];
        if (band.x > kPageMargin &&
            (g.newBand || band.x + width > PageGeometry::kGridCells - kPageMargin)) {
            band.x = kPageMargin;
            band.y += band.height + kGroupGap;
            band.height = 0;
        }
        int ox = band.x, oy = band.y;
        if (g.headingElement >= 0)
            move(elements_[static_cast<size_t>(g.headingElement)].index, ox, oy);
        for (size_t l = 0; l < g.lanes.size(); ++l)
            for (size_t k = 0; k < g.lanes[l].size(); ++k)
                move(elements_[static_cast<size_t>(g.lanes[l][k])].index, ox + laneX[l],
                     oy + rows[l][k]);
        band.x += width + kGroupGap + g.extraGap;
        band.height = std::max(band.height, height);
        report_.push_back("page " + std::to_string(g.page + 1) + " group \"" + g.heading +
                          "\": " + std::to_string(width) + " x " + std::to_string(height) + " at " +
                          std::to_string(ox) + ", " + std::to_string(oy) + "; lanes" +
                          laneText(laneLeft, laneWidth) +
                          (rowCount > 0 ? "; wrapped " + std::to_string(rowCount) : ""));
        if (oy + height > PageGeometry::kGridCells || ox + width > PageGeometry::kGridCells)
            problems.push_back("page " + std::to_string(g.page + 1) + " \"" +
                               cp1252ToUtf8(pageNames_[static_cast<size_t>(g.page)]) +
                               "\" is too full for group \"" + g.heading + "\" (" +
                               std::to_string(width) + " x " + std::to_string(height) + " at " +
                               std::to_string(ox) + ", " + std::to_string(oy) + "; lanes" +
                               laneText(laneLeft, laneWidth) + ")");
    }
    return problems.empty();
}

bool Design::build(tECU& ecu, std::vector<std::string>& problems) {
    problems.insert(problems.end(), declarationProblems_.begin(), declarationProblems_.end());
    // Unique names let the setup tools and the import find every element by name.
    std::map<std::string, int> seen;
    for (const Item& s : elements_)
        if (++seen[s.name] == 2)
            problems.push_back("more than one element is called \"" + cp1252ToUtf8(s.name) + "\"");
    if (!problems.empty())
        return false;
    if (ecu.NumElements != 6) {
        problems.push_back("the design needs the new blank configuration");
        return false;
    }
    for (int p = 7; p < Layout::kNumPages; ++p)
        if (!pageNames_[static_cast<size_t>(p)].empty())
            ecu.RenameSlot(p, pageNames_[static_cast<size_t>(p)]);
    if (!writeElements(ecu, problems))
        return false;
    if (!writeInputs(ecu, problems))
        return false;
    if (!layOut(ecu, problems))
        return false;
    for (const std::string& p : PageGeometry::check(ecu))
        problems.push_back(p);
    return problems.empty();
}

} // namespace zolmar::defaults
