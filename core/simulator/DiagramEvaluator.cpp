#include "simulator/DiagramEvaluator.h"

#include "model/Catalogue.h"
#include "model/Tables.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace zolmar::sim {

using namespace Layout;

namespace {

// Record, constant and live sizes by type code, looked up once per element and pass.
struct Sizes {
    int16_t logic = -1;
    int16_t constant = 0;
    int16_t live = 0;
    bool evaluated = false; // the diagram calculates it (labels, displays and the
                            // dedicated elements it does not)
};

const std::array<Sizes, 256> kSizes = [] {
    std::array<Sizes, 256> s{};
    for (int type = 0; type < 256; ++type) {
        const TypeInfo& info = typeInfo(type);
        auto& e = s[static_cast<size_t>(type)];
        e.logic = static_cast<int16_t>(info.valid ? info.logicSize : -1);
        e.constant = static_cast<int16_t>(info.constSize < 0 ? 0 : info.constSize);
        e.live = static_cast<int16_t>(info.liveSize < 0 ? 0 : info.liveSize);
        e.evaluated = info.valid && type >= ElementType::Constant && type <= ElementType::Mux32 &&
                      type != ElementType::Display;
    }
    return s;
}();

constexpr int kTrue = 50;

int16_t saturate(int64_t v) {
    if (v > 32767)
        return 32767;
    if (v < -32768)
        return -32768;
    return static_cast<int16_t>(v);
}

// The ECU's 16-bit registers: every store keeps the low 16 bits.
int16_t wrap16(int v) {
    return static_cast<int16_t>(static_cast<uint16_t>(v));
}

// Elapsed steps between two step counts, as a signed 16-bit difference, so that it
// survives the wrap of the count.
int elapsed(uint16_t now, uint16_t then) {
    return static_cast<int16_t>(static_cast<uint16_t>(now - then));
}

// One element's inputs and live block.
struct Element {
    const EcuMemoryView& m;
    int inputs;   // logic address of input word 0
    int live;     // live address of word 0
    int constant; // constant address of the element's constants

    uint8_t option() const { return m.ConstByte(constant); }
    uint16_t constWord() const { return m.ConstWord(constant); }
    int16_t in(int k) const {
        const uint16_t w = m.LogicWord(inputs + 2 * k);
        return static_cast<int16_t>((w & 1) ? m.LiveWord(w & 0xFFFE) : w);
    }
    int16_t word(int k) const { return static_cast<int16_t>(m.LiveWord(live + 2 * k)); }
    uint16_t raw(int k) const { return m.LiveWord(live + 2 * k); }
    void set(int k, int v) const { m.SetLiveWord(live + 2 * k, static_cast<uint16_t>(v)); }
};

using Source = DecodedInput;

// Little-endian words as single loads and stores where the machine allows: a
// word stored as two bytes and read back as one word (an output feeding the next
// element) would stall the processor's store forwarding on every link.
uint16_t load16(const uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        uint16_t w;
        std::memcpy(&w, p, 2);
        return w;
    } else {
        return static_cast<uint16_t>(p[0] | (p[1] << 8));
    }
}

void store16(uint8_t* p, uint16_t w) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &w, 2);
    } else {
        p[0] = static_cast<uint8_t>(w & 0xFF);
        p[1] = static_cast<uint8_t>(w >> 8);
    }
}

// The same element seen through its decoded inputs, with its live block known to
// lie inside the live area: no address needs checking during the pass.
struct FastElement {
    const Source* sources;
    uint8_t* liveArea;
    uint8_t* block;
    const uint8_t* constants; // the first two constant bytes lie inside the memory

    uint8_t option() const { return constants[0]; }
    uint16_t constWord() const { return load16(constants); }

    int16_t in(int k) const {
        const Source& s = sources[k];
        return static_cast<int16_t>((load16(liveArea + s.live) & s.mask) | s.literal);
    }
    int16_t word(int k) const { return static_cast<int16_t>(load16(block + 2 * k)); }
    uint16_t raw(int k) const { return load16(block + 2 * k); }
    void set(int k, int v) const { store16(block + 2 * k, static_cast<uint16_t>(v)); }
};

// The input words each evaluated type reads (the multiplexers select among all of
// theirs by their option byte).
constexpr int inputsRead(int type) {
    switch (type) {
    case ElementType::Table2D:
        return 4;
    case ElementType::Table3D:
        return 5;
    case ElementType::Summer:
    case ElementType::Comparator:
    case ElementType::Tickbox:
    case ElementType::Timer:
    case ElementType::Latch:
        return 2;
    case ElementType::Multiplier:
    case ElementType::Clipper:
    case ElementType::Switch:
    case ElementType::Wrapper:
        return 3;
    case ElementType::PID:
        return 12;
    case ElementType::Mux4:
        return 4;
    case ElementType::Mux32:
        return 32;
    case ElementType::Delay:
    case ElementType::Gauge:
    case ElementType::Stepper:
        return 1;
    default:
        return 0;
    }
}

// The most live bytes an evaluated element touches from its block's start.
constexpr int kLargestBlock = 2 * 11;

template <class E> void summer(const E& e, uint8_t option) {
    int a = e.in(0);
    int b = e.in(1);
    const int operation = (option >> 3) & 3;
    if (operation == 0) {
        if (option & 1)
            a = wrap16(-a);
        if (option & 2)
            b = wrap16(-b);
        e.set(0, saturate(a + b));
        return;
    }
    if (option & 1)
        a = a <= 0 ? kTrue : 0;
    if (option & 2)
        b = b <= 0 ? kTrue : 0;
    bool result = false;
    switch (operation) {
    case 1:
        result = a > 0 || b > 0;
        break;
    case 2:
        result = a > 0 && b > 0;
        break;
    default:
        result = (a > 0) != (b > 0);
        break;
    }
    if (option & 4)
        result = !result;
    e.set(0, result ? kTrue : 0);
}

template <class E> void multiplier(const E& e) {
    const int c = e.in(2);
    if (c == 0) {
        e.set(0, 0);
        return;
    }
    // Two 16-bit factors give at most 2^30: the product and quotient fit in 32 bits,
    // where division is much quicker than in 64.
    e.set(0, saturate(int32_t{e.in(0)} * int32_t{e.in(1)} / c));
}

template <class E> void pid(const E& e, uint16_t n) {
    const int s = e.in(0);
    const int f = e.in(1);
    const int ki = e.in(2);
    const int kp = e.in(3);
    const int kd = e.in(4);
    const bool stopIntegralUp = e.in(5) > 0;
    const bool stopIntegralDown = e.in(6) > 0;
    const bool stopProportional = e.in(7) > 0;
    const bool stopIntegralOutput = e.in(8) > 0;
    const bool stopDifferential = e.in(9) > 0;
    const bool resetIntegral = e.in(10) > 0;
    const int t = e.in(11);

    const int p = stopProportional ? 0 : saturate((s - f) * kp / 50);
    int32_t j = static_cast<int32_t>(static_cast<uint32_t>(e.raw(1)) << 16 | e.raw(2));
    int d = e.word(5);
    if (t == 0) {
        j = 0;
        d = 0;
    } else if (elapsed(n, e.raw(3)) >= t / 50) {
        e.set(3, n);
        // Ki x (F - S) x T x 65536 stays below 2^62: no overflow in 64 bits.
        const int64_t delta = static_cast<int64_t>(ki) * (f - s) * t * 65536 / 2500000;
        int64_t next = j;
        if ((delta > 0 && !stopIntegralDown) || (delta < 0 && !stopIntegralUp))
            next -= delta;
        if (next > 2147483647)
            next = 2147483647;
        if (next < -2147483647)
            next = -2147483647;
        j = static_cast<int32_t>(next);
        if (stopDifferential) {
            d = 0;
        } else {
            // The ECU forms (previous F - F) x Kd x 1000 in a 32-bit register.
            const auto product = static_cast<int32_t>(static_cast<uint32_t>(e.word(4) - f) *
                                                      static_cast<uint32_t>(kd) * 1000u);
            d = saturate(static_cast<int64_t>(product) / t);
        }
        e.set(4, f);
        e.set(5, d);
    }
    if (resetIntegral || ki == 0)
        j = 0;
    const int high = j >> 16;
    const int i = stopIntegralOutput ? 0 : high;
    e.set(0, saturate(static_cast<int64_t>(p) + i + d));
    e.set(1, high);
    e.set(2, static_cast<int>(static_cast<uint32_t>(j) & 0xFFFF));
}

template <class E> void clipper(const E& e) {
    const int x = e.in(0);
    const int low = e.in(1);
    const int high = e.in(2);
    if (x < low) {
        e.set(0, low);
        e.set(2, wrap16(low - x));
    } else if (x > high) {
        e.set(0, high);
        e.set(1, wrap16(x - high));
    } else {
        e.set(0, x);
        e.set(1, 0);
        e.set(2, 0);
    }
}

template <class E> void comparator(const E& e, uint8_t operation) {
    const int a = e.in(0);
    const int b = e.in(1);
    bool holds = false;
    switch (operation & 7) {
    case 1:
        holds = a > b;
        break;
    case 2:
        holds = a < b;
        break;
    case 3:
        holds = a != b;
        break;
    case 4:
        holds = a == b;
        break;
    case 5:
        holds = a >= b;
        break;
    case 6:
        holds = a <= b;
        break;
    default:
        return; // codes 0 and 7 leave the output as it is
    }
    e.set(0, holds ? kTrue : 0);
}

template <class E> void timer(const E& e, int t) {
    if (e.in(1) > 0) {
        e.set(1, e.in(0));
        e.set(0, 0);
        return;
    }
    const int remaining = wrap16(e.word(1) - t);
    if (remaining <= 0) {
        e.set(1, 0);
        e.set(0, kTrue);
    } else {
        e.set(1, remaining);
        e.set(0, 0);
    }
}

template <class E> void latch(const E& e, uint8_t mode) {
    const int value = e.in(0);
    const int store = e.in(1);
    const bool edge = (mode & 1) != 0;
    if (store > 0 && (!edge || e.word(1) <= 0))
        e.set(0, value);
    e.set(1, store);
}

template <class E> void delay(const E& e, uint16_t period, uint16_t n) {
    if (elapsed(n, e.raw(10)) < period / 10)
        return;
    const int x = e.in(0);
    for (int k = 0; k < 9; ++k)
        e.set(k, e.raw(k + 1));
    e.set(9, x);
    e.set(10, n);
}

template <class E> void stepper(const E& e, uint8_t rate, uint16_t n) {
    const int period = 5 << (rate & 7);
    if (elapsed(n, e.raw(3)) < period)
        return;
    e.set(3, n);
    const int wanted = e.in(0);
    int position = e.word(2);
    if (position < wanted)
        position = wrap16(position + 50);
    if (wanted < position)
        position = wrap16(position - 50);
    e.set(2, position);
    static constexpr int kCoils[4][2] = {{0, 0}, {0, 5000}, {5000, 5000}, {5000, 0}};
    const int phase = (position / 50) & 3;
    e.set(0, kCoils[phase][0]);
    e.set(1, kCoils[phase][1]);
}

template <class E> void wrapper(const E& e) {
    const int x = e.in(0);
    const int low = e.in(1);
    const int high = e.in(2);
    if (low >= high) {
        e.set(0, low);
        return;
    }
    // Adding or taking the range until x lies in [low, high] never leaves 16 bits, so
    // the ECU's 16-bit range and the true one give the same x; count the steps
    // instead of looping them.
    const int range = high - low;
    int result = x;
    if (x < low)
        result = x + (low - x + range - 1) / range * range;
    else if (x > high)
        result = x - (x - high + range - 1) / range * range;
    e.set(0, result);
}

template <class E> void table(const EcuMemoryView& m, const E& e, int type, int constAddr) {
    const int inputs = type == ElementType::Table2D ? 4 : 5;
    const int words = type == ElementType::Table2D ? 5 : 6;
    int16_t in[5] = {};
    uint16_t live[6] = {};
    for (int k = 0; k < inputs; ++k)
        in[k] = e.in(k);
    for (int k = 0; k < words; ++k)
        live[k] = e.raw(k);
    Tables::LookUp(m, type, constAddr, in, live);
    for (int k = 0; k < words; ++k)
        e.set(k, live[k]);
}

template <class E>
void evaluate(const EcuMemoryView& m, const E& e, int type, int constAddr, uint16_t n, int t) {
    switch (type) {
    case ElementType::Constant:
        e.set(0, e.constWord());
        break;
    case ElementType::Table2D:
    case ElementType::Table3D:
        table(m, e, type, constAddr);
        break;
    case ElementType::Summer:
        summer(e, e.option());
        break;
    case ElementType::Multiplier:
        multiplier(e);
        break;
    case ElementType::PID:
        pid(e, n);
        break;
    case ElementType::Clipper:
        clipper(e);
        break;
    case ElementType::Comparator:
        comparator(e, e.option());
        break;
    case ElementType::Switch:
        e.set(0, e.in(2) > 0 ? e.in(1) : e.in(0));
        break;
    case ElementType::Tickbox:
        e.set(0, (e.option() & 1) ? e.in(1) : e.in(0));
        break;
    case ElementType::Mux4:
        e.set(0, e.in(e.option() & 3));
        break;
    case ElementType::Timer:
        timer(e, t);
        break;
    case ElementType::Latch:
        latch(e, e.option());
        break;
    case ElementType::Delay:
        delay(e, e.constWord(), n);
        break;
    case ElementType::Gauge:
        e.set(0, e.in(0));
        break;
    case ElementType::Stepper:
        stepper(e, e.option(), n);
        break;
    case ElementType::Wrapper:
        wrapper(e);
        break;
    case ElementType::Mux32:
        e.set(0, e.in(e.option() & 31));
        break;
    default:
        // Labels, displays and the dedicated elements: the ECU's own hardware and
        // firmware, not the diagram, fill their live words.
        break;
    }
}

} // namespace

void EvaluateElement(const EcuMemoryView& m, int type, int logicAddr, int constAddr, int liveAddr,
                     uint16_t n, int t) {
    evaluate(m, Element{m, logicAddr + 4, liveAddr, constAddr}, type, constAddr, n, t);
}

void DiagramEvaluator::SetCounters(uint16_t stepCount, int subCounter) {
    stepCount_ = stepCount;
    subCounter_ = subCounter >= 0 && subCounter < kTickSteps ? subCounter : 0;
    tick_ = false;
}

void DiagramEvaluator::Start(const EcuMemoryView& memory) {
    if (memory.live != nullptr)
        std::memset(memory.live, 0, kLiveSize);
    ResetCounters();
}

void DiagramEvaluator::Decode(const EcuMemoryView& memory) {
    steps_.clear();
    checks_.clear();
    sources_.clear();
    // The same walk as the element index: constant and live addresses run on in 16
    // bits, and the walk stops where the records may no longer start.
    int logic = 0;
    uint16_t constant = 0;
    uint16_t live = 0;
    int count = 0;
    int logicRead = 0; // logic bytes [0, logicRead) decide the walk and the inputs
    auto dimension = [&](long constAddr) {
        checks_.push_back(
            {static_cast<uint32_t>(kConstBase + constAddr), memory.ConstByte(constAddr)});
    };
    for (;;) {
        const int type = memory.LogicByte(logic);
        logicRead = std::max(logicRead, logic + 1);
        const Sizes& size = kSizes[static_cast<size_t>(type)];
        if (size.logic <= 0)
            break;
        int constSize = size.constant;
        if (type == ElementType::Table2D) {
            constSize = table2DConstSize(memory.ConstByte(constant));
            dimension(constant);
        } else if (type == ElementType::Table3D) {
            constSize =
                table3DConstSize(memory.ConstByte(constant), memory.ConstByte(constant + 1));
            dimension(constant);
            dimension(constant + 1);
        }
        if (size.evaluated) {
            const bool checked = memory.live == nullptr || live + kLargestBlock > kLiveSize ||
                                 kConstBase + constant + 2 > static_cast<long>(memory.configSize);
            steps_.push_back({logic, constant, live, static_cast<uint8_t>(type), checked, nullptr});
            const int inputs = inputsRead(type);
            for (int k = 0; k < inputs; ++k) {
                const int at = logic + 4 + 2 * k;
                const uint16_t w = memory.LogicWord(at);
                logicRead = std::max(logicRead, at + 2);
                Source source;
                if (!(w & 1)) {
                    source.literal = w;
                } else if ((w & 0xFFFE) + 1 < kLiveSize) {
                    source.live = static_cast<uint16_t>(w & 0xFFFE);
                    source.mask = 0xFFFF;
                }
                sources_.push_back(source); // a link beyond the live area reads 0
            }
        }
        constant = static_cast<uint16_t>(constant + constSize);
        live = static_cast<uint16_t>(live + size.live);
        logic += size.logic;
        ++count;
        if (logic >= kLogicRecordLimit - 1 || count >= kMaxElements)
            break;
    }
    // Each step's inputs follow the previous step's: their places are known now that
    // the inputs no longer move.
    const DecodedInput* inputs = sources_.data();
    for (Step& step : steps_) {
        step.inputs = inputs;
        inputs += inputsRead(step.type);
    }
    logic_.resize(static_cast<size_t>(logicRead));
    for (int k = 0; k < logicRead; ++k)
        logic_[static_cast<size_t>(k)] = memory.LogicByte(k);
    records_ = count;
    decodedConfig_ = memory.config;
    decodedSize_ = memory.configSize;
    decoded_ = true;
    ++decodings_;
}

bool DiagramEvaluator::DecodingHolds(const EcuMemoryView& memory) const {
    if (!decoded_ || memory.config != decodedConfig_ || memory.configSize != decodedSize_)
        return false;
    // Bytes beyond the configuration read as 0 (ConfigByte); a configuration that
    // short is compared byte by byte.
    if (static_cast<unsigned long>(kLogicBase) + logic_.size() <= memory.configSize) {
        if (std::memcmp(memory.config + kLogicBase, logic_.data(), logic_.size()) != 0)
            return false;
    } else {
        for (size_t k = 0; k < logic_.size(); ++k)
            if (memory.LogicByte(static_cast<long>(k)) != logic_[k])
                return false;
    }
    return DimensionsHold(memory);
}

bool DiagramEvaluator::DimensionsHold(const EcuMemoryView& memory) const {
    unsigned differs = 0;
    for (const Check& c : checks_)
        differs |= static_cast<unsigned>(memory.ConfigByte(c.address) ^ c.value);
    return differs == 0;
}

int DiagramEvaluator::Pass(const EcuMemoryView& memory) {
    if (!DecodingHolds(memory))
        Decode(memory);
    return Evaluate(memory);
}

int DiagramEvaluator::PassSameLogic(const EcuMemoryView& memory) {
    if (!decoded_ || memory.config != decodedConfig_ || memory.configSize != decodedSize_ ||
        !DimensionsHold(memory))
        return Pass(memory);
    return Evaluate(memory);
}

int DiagramEvaluator::Evaluate(const EcuMemoryView& memory) {
    tick_ = ++subCounter_ >= kTickSteps;
    if (tick_)
        subCounter_ = 0;
    ++stepCount_;
    const int t = tick_ ? 1 : 0;
    for (const Step& step : steps_) {
        if (step.checked) {
            EvaluateElement(memory, step.type, step.logic, step.constant, step.live, stepCount_, t);
        } else {
            const FastElement e{step.inputs, memory.live, memory.live + step.live,
                                memory.config + kConstBase + step.constant};
            evaluate(memory, e, step.type, step.constant, stepCount_, t);
        }
    }
    return records_;
}

} // namespace zolmar::sim
