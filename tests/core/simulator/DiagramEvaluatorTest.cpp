#include "simulator/DiagramEvaluator.h"
#include "RawConfig.h"
#include "model/EcuMemoryView.h"
#include "model/Tables.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

using namespace zolmar;
using namespace zolmar::Layout;
using zolmar::sim::DiagramEvaluator;

namespace {

// Diagrams built byte by byte. Element 0 is an inputs-and-triggering element: the
// diagram does not calculate it, so its 53 output words serve as signals that the
// test sets between passes.
struct EvaluatorTest : ::testing::Test {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    test::RawConfig raw{*ecu};
    ImageMemory memory{*ecu};
    DiagramEvaluator evaluator;

    EvaluatorTest() { raw.add(ElementType::Inputs); }

    int add(int type, int x = 2, int y = 2) { return raw.add(type, 1, 0, 0, "", x, y); }
    // Input k of the element follows signal word s.
    void feed(int element, int input, int s) { raw.link(element, input, 0, s); }
    void literal(int element, int input, int value) {
        raw.literal(element, input, static_cast<uint16_t>(value));
    }
    void start() {
        raw.finish();
        evaluator.Start(memory.view());
    }
    void signal(int s, int value) {
        memory.view().SetLiveWord(2L * s, static_cast<uint16_t>(value));
    }
    void constByte(int element, int offset, int value) {
        ecu->Image[kConstBase + ecu->ElementConstOffset[element] + offset] =
            static_cast<uint8_t>(value);
    }
    void constWord(int element, int offset, int value) {
        ecu->SetImageWord(kConstBase + ecu->ElementConstOffset[element] + offset,
                          static_cast<uint16_t>(value), false);
    }
    void pass(int n = 1) { evaluator.Run(memory.view(), n); }
    int out(int element, int word = 0) const {
        return static_cast<int16_t>(
            memory.view().LiveWord(ecu->ElementLiveOffset[element] + 2 * word));
    }
};

TEST_F(EvaluatorTest, ConstantOutputsAllSixteenBitsOfItsWord) {
    int c = add(ElementType::Constant);
    start();
    constWord(c, 0, 0x8001); // odd, negative: stored as is
    pass();
    EXPECT_EQ(out(c), -32767);
}

TEST_F(EvaluatorTest, SummerSumsWithSaturationAndNegatesInvertedInputs) {
    int s = add(ElementType::Summer);
    feed(s, 0, 0);
    feed(s, 1, 1);
    start();
    signal(0, 30000);
    signal(1, 30000);
    pass();
    EXPECT_EQ(out(s), 32767);
    signal(0, -30000);
    signal(1, -30000);
    pass();
    EXPECT_EQ(out(s), -32768);

    constByte(s, 0, 1 | 2 | 4); // both inputs inverted; bit 2 means nothing in sum mode
    signal(0, 100);
    signal(1, 250);
    pass();
    EXPECT_EQ(out(s), -350);
    // -(-32768) does not fit 16 bits: the ECU's negation leaves it as it is.
    signal(0, -32768);
    signal(1, 0);
    pass();
    EXPECT_EQ(out(s), -32768);
}

TEST_F(EvaluatorTest, SummerLogicModesTreatAnythingAboveZeroAsTrue) {
    int s = add(ElementType::Summer);
    feed(s, 0, 0);
    feed(s, 1, 1);
    start();
    auto result = [&](int option, int a, int b) {
        constByte(s, 0, option);
        signal(0, a);
        signal(1, b);
        pass();
        return out(s);
    };
    const int OR = 8, AND = 16, XOR = 24;
    EXPECT_EQ(result(AND, 1, 250), 50) << "raw 1 (0.02) is true";
    EXPECT_EQ(result(AND | 1, 1, 250), 0) << "inverted 0.02 is false";
    EXPECT_EQ(result(AND | 1, -5, 250), 50) << "inverted -0.10 is true";
    EXPECT_EQ(result(AND, 0, 250), 0);
    EXPECT_EQ(result(OR, 0, 0), 0);
    EXPECT_EQ(result(OR, 0, 7), 50);
    EXPECT_EQ(result(OR | 4, 0, 7), 0) << "bit 2 inverts the result";
    EXPECT_EQ(result(OR | 4, -3, 0), 50);
    EXPECT_EQ(result(XOR, 50, 50), 0);
    EXPECT_EQ(result(XOR, 50, -50), 50);
    EXPECT_EQ(result(XOR | 2, 50, -50), 0) << "inverted -1.00 becomes true";
}

TEST_F(EvaluatorTest, MultiplierDividesTruncatingAndSaturates) {
    int m = add(ElementType::Multiplier);
    feed(m, 0, 0);
    feed(m, 1, 1);
    feed(m, 2, 2);
    start();
    auto product = [&](int a, int b, int c) {
        signal(0, a);
        signal(1, b);
        signal(2, c);
        pass();
        return out(m);
    };
    EXPECT_EQ(product(5000, 5000, 50), 32767) << "100 x 100 / 1 is 655.34 at most";
    EXPECT_EQ(product(-5000, 5000, 50), -32768);
    EXPECT_EQ(product(5000, 5000, 0), 0) << "division by 0 gives 0";
    EXPECT_EQ(product(-7, 1, 2), -3) << "truncates toward zero";
    EXPECT_EQ(product(150, 100, 50), 300) << "3.00 x 2.00 / 1.00 = 6.00";
    EXPECT_EQ(product(-32768, -32768, -1), -32768) << "2^30 / -1, saturated";
}

// PID inputs in record order.
enum PidInput { S, F, Ki, Kp, Kd, StopUp, StopDown, StopP, StopI, StopD, Reset, T };

struct PidTest : EvaluatorTest {
    int pid = add(ElementType::PID);
    PidTest() {
        for (int k = 0; k < 12; ++k)
            feed(pid, k, k); // input k follows signal k
        start();
    }
    void set(PidInput input, int value) { signal(input, value); }
    int integral() const { return out(pid, 1); }
    int32_t accumulator() const {
        return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(out(pid, 1)))
                                        << 16 |
                                    static_cast<uint16_t>(out(pid, 2)));
    }
};

TEST_F(PidTest, WithoutTimesliceOnlyTheProportionalTermActs) {
    set(S, 1000);
    set(F, 500);
    set(Kp, 100); // 2.00
    set(Ki, 50);
    set(Kd, 50);
    pass(200);
    EXPECT_EQ(out(pid), 1000) << "(10.00 - 0) x 2.00";
    EXPECT_EQ(integral(), 0);
    EXPECT_EQ(out(pid, 3), 0) << "no update step recorded";
    set(StopP, 1);
    pass();
    EXPECT_EQ(out(pid), 0);
}

TEST_F(PidTest, IntegralGrowsPerTimesliceAndStopsAreHonoured) {
    set(S, 2500); // 50.00
    set(Ki, 50);  // 1.00: grows by 1.00 x 50.00 x 10 ms / 1000 = 0.50 per update
    set(T, 500);  // 10 ms
    pass(95);
    EXPECT_EQ(integral(), 9 * 25) << "updates at steps 10, 20, ... 90";
    EXPECT_EQ(out(pid, 3), 90) << "the step of the last update";
    pass(5);
    EXPECT_EQ(integral(), 250);
    EXPECT_EQ(accumulator(), 250 * 65536);
    EXPECT_EQ(out(pid), 250);

    set(StopUp, 50);
    pass(100);
    EXPECT_EQ(integral(), 250) << "a growing integral is held";
    set(F, 5000); // feedback above setpoint: the integral falls by 0.50 per update
    pass(10);
    EXPECT_EQ(integral(), 225);
    set(StopDown, 50);
    pass(50);
    EXPECT_EQ(integral(), 225);
    EXPECT_EQ(out(pid), 225);
    set(StopI, 50);
    pass();
    EXPECT_EQ(out(pid), 0) << "the integral term is off and Kp is 0";
    EXPECT_EQ(integral(), 225) << ".Integral still shows the accumulator";
}

TEST_F(PidTest, ResetOrNoIntegralGainKeepsTheIntegralAtZero) {
    set(S, 2500);
    set(Ki, 50);
    set(T, 50);
    set(Reset, 1);
    pass(300);
    EXPECT_EQ(integral(), 0);
    EXPECT_EQ(accumulator(), 0);
    set(Reset, 0);
    pass(10);
    EXPECT_GT(integral(), 0);
    set(Ki, 0);
    pass();
    EXPECT_EQ(accumulator(), 0);
}

TEST_F(PidTest, TheAccumulatorIsLimitedTo31Bits) {
    set(S, 32767);
    set(F, -32768);
    set(Ki, 32767);
    set(T, 32767);
    pass(700); // one update at step 655
    EXPECT_EQ(accumulator(), 2147483647);
    EXPECT_EQ(out(pid), 32767);
    set(S, -32768);
    set(F, 32767);
    pass(655);
    EXPECT_EQ(accumulator(), -2147483647);
    EXPECT_EQ(integral(), -32768);
    EXPECT_EQ(out(pid, 2), 1);
}

TEST_F(PidTest, DifferentialActsOnFeedbackChangesPerUpdate) {
    set(Kd, 50); // 1.00
    set(T, 500); // 10 ms
    pass(10);    // first update: previous feedback 0, feedback 0
    EXPECT_EQ(out(pid), 0);
    set(F, 100); // rises by 2.00 within 10 ms: D = -(2.00 / 0.01) = -200.00
    pass(10);
    EXPECT_EQ(out(pid, 5), -10000);
    EXPECT_EQ(out(pid), -10000);
    pass(9);
    EXPECT_EQ(out(pid), -10000) << "held between updates";
    pass();
    EXPECT_EQ(out(pid), 0) << "feedback steady since the last update";
    set(F, 0);
    set(StopD, 1);
    pass(10);
    EXPECT_EQ(out(pid, 5), 0);
}

TEST_F(PidTest, DifferentialProductWrapsIn32Bits) {
    set(Kd, 32767);
    set(T, 50); // an update every step
    set(F, 32767);
    pass();
    set(F, -32768);
    pass();
    // 65535 x 32767 x 1000 wraps to -98303000 in 32 bits; / 50, saturated.
    EXPECT_EQ(out(pid, 5), -32768);
}

TEST_F(EvaluatorTest, ClipperKeepsTheOtherExcessWhenClipping) {
    int c = add(ElementType::Clipper);
    feed(c, 0, 0);
    literal(c, 1, 0);
    literal(c, 2, 500);
    start();
    signal(0, 600);
    pass();
    EXPECT_EQ(out(c), 500);
    EXPECT_EQ(out(c, 1), 100);
    EXPECT_EQ(out(c, 2), 0);
    signal(0, -50);
    pass();
    EXPECT_EQ(out(c), 0);
    EXPECT_EQ(out(c, 2), 50);
    EXPECT_EQ(out(c, 1), 100) << ".Overflow keeps its value";
    signal(0, 250);
    pass();
    EXPECT_EQ(out(c), 250);
    EXPECT_EQ(out(c, 1), 0);
    EXPECT_EQ(out(c, 2), 0);
}

TEST_F(EvaluatorTest, ClipperDifferencesWrapIn16Bits) {
    int c = add(ElementType::Clipper);
    feed(c, 0, 0);
    literal(c, 1, 32000);
    literal(c, 2, 32100);
    start();
    signal(0, -32768);
    pass();
    EXPECT_EQ(out(c), 32000);
    EXPECT_EQ(out(c, 2), static_cast<int16_t>(64768));
}

TEST_F(EvaluatorTest, ComparatorCodes) {
    int c = add(ElementType::Comparator);
    feed(c, 0, 0);
    feed(c, 1, 1);
    start();
    auto compare = [&](int code, int a, int b) {
        constByte(c, 0, code);
        signal(0, a);
        signal(1, b);
        pass();
        return out(c);
    };
    // a < b, a == b, a > b for codes 1 to 6.
    const int expected[7][3] = {{},         {0, 0, 50},  {50, 0, 0}, {50, 0, 50},
                                {0, 50, 0}, {0, 50, 50}, {50, 50, 0}};
    for (int code = 1; code <= 6; ++code) {
        EXPECT_EQ(compare(code, -1, 0), expected[code][0]) << code;
        EXPECT_EQ(compare(code, 7, 7), expected[code][1]) << code;
        EXPECT_EQ(compare(code, 8, 7), expected[code][2]) << code;
    }
    EXPECT_EQ(compare(8 | 5, 7, 7), 50) << "only bits 0 to 2 count";
    compare(4, 1, 1);
    EXPECT_EQ(compare(0, 1, 2), 50) << "code 0 leaves the output";
    EXPECT_EQ(compare(7, 1, 2), 50) << "code 7 leaves the output";
}

TEST_F(EvaluatorTest, SelectorsPickTheirInput) {
    int sw = add(ElementType::Switch);
    int tick = add(ElementType::Tickbox);
    int mux4 = add(ElementType::Mux4);
    int mux32 = add(ElementType::Mux32);
    feed(sw, 2, 0);
    literal(sw, 0, 100);
    literal(sw, 1, 200);
    literal(tick, 0, 300);
    literal(tick, 1, 400);
    for (int k = 0; k < 4; ++k)
        literal(mux4, k, 1000 + 2 * k);
    for (int k = 0; k < 32; ++k)
        literal(mux32, k, 2000 + 2 * k);
    start();
    constByte(mux4, 0, 6);   // 6 & 3: the third input
    constByte(mux32, 0, 37); // 37 & 31: the sixth
    pass();
    EXPECT_EQ(out(sw), 100);
    EXPECT_EQ(out(tick), 300);
    EXPECT_EQ(out(mux4), 1004);
    EXPECT_EQ(out(mux32), 2010);
    signal(0, 1); // 0.02 selects
    constByte(tick, 0, 0xFF);
    pass();
    EXPECT_EQ(out(sw), 200);
    EXPECT_EQ(out(tick), 400);
}

TEST_F(EvaluatorTest, TimerElapsesAfterItsIntervalInTwentyStepTicks) {
    int t = add(ElementType::Timer);
    literal(t, 0, 50); // 1.00 s
    feed(t, 1, 0);
    start();
    signal(0, 50);
    pass(5); // reloading
    EXPECT_EQ(out(t, 1), 50);
    EXPECT_EQ(out(t, 0), 0);
    signal(0, 0);
    pass(994); // steps 6 .. 999: 49 ticks (20, 40, .. 980)
    EXPECT_EQ(out(t, 1), 1);
    EXPECT_EQ(out(t, 0), 0);
    pass(); // step 1000: the fiftieth tick
    EXPECT_EQ(out(t, 1), 0);
    EXPECT_EQ(out(t, 0), 50);
    pass(100);
    EXPECT_EQ(out(t, 0), 50) << "stays elapsed";

    raw.literal(t, 0, 0);
    signal(0, 50);
    pass();
    EXPECT_EQ(out(t, 0), 0);
    signal(0, 0);
    pass();
    EXPECT_EQ(out(t, 0), 50) << "an interval of 0 elapses in the first pass";
}

TEST_F(EvaluatorTest, LatchEdgeAndLevelModes) {
    int edge = add(ElementType::Latch);
    int level = add(ElementType::Latch);
    for (int l : {edge, level}) {
        feed(l, 0, 0);
        feed(l, 1, 1);
    }
    start();
    constByte(edge, 0, 1);
    signal(0, 100);
    signal(1, 50);
    pass();
    signal(0, 200);
    pass(3);
    EXPECT_EQ(out(edge), 100) << "copied on the rising edge only";
    EXPECT_EQ(out(level), 200) << "copied while Store is high";
    signal(1, 0);
    signal(0, 300);
    pass();
    EXPECT_EQ(out(edge), 100);
    EXPECT_EQ(out(level), 200);
    signal(1, 1);
    pass();
    EXPECT_EQ(out(edge), 300) << "a new rising edge";
}

TEST_F(EvaluatorTest, DelayShowsTheInputNineSamplesLater) {
    int d = add(ElementType::Delay);
    feed(d, 0, 0);
    start();
    constWord(d, 0, 150); // a sample every 15 steps
    for (int stepAt : {1, 15, 16, 29}) {
        evaluator.Start(memory.view());
        pass(stepAt - 1);
        signal(0, 500);
        int lag = 0;
        while (out(d) != 500 && lag < 300) {
            pass();
            ++lag;
        }
        // The pass that made the step is the first with the new input: it appears
        // 135 to 149 passes after that one.
        EXPECT_GE(lag - 1, 135) << stepAt;
        EXPECT_LE(lag - 1, 149) << stepAt;
    }
}

TEST_F(EvaluatorTest, GaugeShowsItsInput) {
    int g = add(ElementType::Gauge);
    feed(g, 0, 3);
    start();
    signal(3, -1234);
    pass();
    EXPECT_EQ(out(g), -1234);
}

TEST_F(EvaluatorTest, StepperMovesWholeStepsAtItsRate) {
    int s = add(ElementType::Stepper);
    feed(s, 0, 0);
    start();
    constByte(s, 0, 8 | 1); // code 1: every 10 steps
    signal(0, 200);
    pass(9);
    EXPECT_EQ(out(s, 2), 0);
    const int coils[5][2] = {{0, 0}, {0, 5000}, {5000, 5000}, {5000, 0}, {0, 0}};
    for (int k = 1; k <= 4; ++k) {
        pass();
        EXPECT_EQ(out(s, 2), 50 * k);
        EXPECT_EQ(out(s, 0), coils[k][0]) << k;
        EXPECT_EQ(out(s, 1), coils[k][1]) << k;
        pass(9);
        EXPECT_EQ(out(s, 2), 50 * k) << "nothing between updates";
    }
    signal(0, 75); // 1.50: not a whole step away from 1.00
    pass(200);
    EXPECT_EQ(out(s, 2), 50);
    signal(0, -100);
    pass(100);
    EXPECT_EQ(out(s, 2), -100);
    EXPECT_EQ(out(s, 0), 5000) << "phase (-2) & 3 = 2";
    EXPECT_EQ(out(s, 1), 5000);
}

TEST_F(EvaluatorTest, WrapperBringsTheInputIntoItsRange) {
    int w = add(ElementType::Wrapper);
    feed(w, 0, 0);
    feed(w, 1, 1);
    feed(w, 2, 2);
    start();
    auto wrapped = [&](int x, int low, int high) {
        signal(0, x);
        signal(1, low);
        signal(2, high);
        pass();
        return out(w);
    };
    EXPECT_EQ(wrapped(20000, 0, 18000), 2000) << "400 in 0..360 is 40";
    EXPECT_EQ(wrapped(-500, 0, 18000), 17500) << "-10 is 350";
    EXPECT_EQ(wrapped(18000, 0, 18000), 18000);
    EXPECT_EQ(wrapped(700, 500, 500), 500) << "Min >= Max gives Min";
    EXPECT_EQ(wrapped(700, 600, 500), 600);
    EXPECT_EQ(wrapped(-30000, -20000, 20000), 10000) << "a range beyond 16 bits";
    EXPECT_EQ(wrapped(-32768, 100, 102), 100) << "16434 steps of 2";
    EXPECT_EQ(wrapped(32767, -32768, -32766), -32767);
}

TEST_F(EvaluatorTest, TablesLookUpAndLearnOncePerRisingEdge) {
    int t = add(ElementType::Table2D, 2);
    feed(t, 0, 0);
    feed(t, 1, 1);
    feed(t, 2, 2);
    feed(t, 3, 3);
    start();
    Tables::Shape shape = Tables::ShapeAt(*ecu, ElementType::Table2D, ecu->ElementConstOffset[t]);
    ecu->WriteConstWord(shape.referenceAddress(Tables::Axis::Horizontal, 1), 500);
    Tables::WriteCell(*ecu, shape, 1, 0, 5000);
    ecu->Modified = false;
    signal(0, 250);
    pass();
    EXPECT_EQ(out(t), 2500);
    EXPECT_EQ(out(t, 1), 2500) << ".Close";
    EXPECT_EQ(out(t, 2), 50) << ".Change: nearest column 0 -> 1";
    pass();
    EXPECT_EQ(out(t, 2), 0);

    signal(1, 1001); // LearnV, bit 0 dropped
    signal(2, 50);   // Learn
    signal(3, 50);   // Tuned
    pass();
    EXPECT_EQ(Tables::Cell(*ecu, shape, 1, 0), 1001) << "1000 with the tuned flag";
    EXPECT_EQ(out(t, 3), 0) << ".Tuned was read before the learning";
    EXPECT_TRUE(ecu->Modified) << "learning is a configuration change";
    EXPECT_EQ(ecu->SyncAt(kConstBase + shape.cellAddress(1, 0)), Sync::ToWrite);
    signal(1, 2000);
    pass(20);
    EXPECT_EQ(Tables::Cell(*ecu, shape, 1, 0), 1001) << "once per rising edge";
    EXPECT_EQ(out(t, 3), 50);
    signal(2, 0);
    pass();
    signal(2, 50);
    signal(3, 0);
    pass();
    EXPECT_EQ(Tables::Cell(*ecu, shape, 1, 0), 2000);
}

TEST_F(EvaluatorTest, TablesWithReferencesOutOfOrderStillEvaluate) {
    // A CSV import does not check the order of the references.
    int t2 = add(ElementType::Table2D, 5);
    int t3 = add(ElementType::Table3D, 4, 3);
    for (int k = 0; k < 2; ++k) {
        feed(t2, k, k);
        feed(t3, k, k);
    }
    start();
    const int refs[5] = {400, -300, 400, 100, -32768};
    Tables::Shape s2 = Tables::ShapeAt(*ecu, ElementType::Table2D, ecu->ElementConstOffset[t2]);
    Tables::Shape s3 = Tables::ShapeAt(*ecu, ElementType::Table3D, ecu->ElementConstOffset[t3]);
    for (int i = 0; i < 5; ++i) {
        ecu->WriteConstWord(s2.referenceAddress(Tables::Axis::Horizontal, i),
                            static_cast<uint16_t>(refs[i]));
        Tables::WriteCell(*ecu, s2, i, 0, static_cast<uint16_t>(1000 * i));
    }
    for (int i = 0; i < 4; ++i)
        ecu->WriteConstWord(s3.referenceAddress(Tables::Axis::Horizontal, i),
                            static_cast<uint16_t>(refs[i]));
    for (int j = 0; j < 3; ++j)
        ecu->WriteConstWord(s3.referenceAddress(Tables::Axis::Vertical, j),
                            static_cast<uint16_t>(refs[4 - j]));
    for (int x : {-32768, -300, 0, 100, 250, 400, 401, 32767}) {
        signal(0, x);
        signal(1, -x);
        pass();
        EXPECT_GE(out(t2), 0) << x;
        EXPECT_LE(out(t2), 4000) << x;
        EXPECT_GE(out(t2, 1), 0) << x;
        EXPECT_LE(out(t2, 1), 5000) << x;
        EXPECT_LT(out(t2, 4) >> 8, 5) << x;
    }
}

TEST_F(EvaluatorTest, LaterElementsAreSeenOnePassLate) {
    int before = add(ElementType::Summer);
    int early = add(ElementType::Summer); // reads the summer stored before it
    int late = add(ElementType::Summer);  // reads the summer stored after it
    int after = add(ElementType::Summer);
    int counter = add(ElementType::Summer); // reads itself
    feed(before, 0, 0);
    feed(after, 0, 0);
    raw.link(early, 0, before, 0);
    raw.link(late, 0, after, 0);
    raw.link(counter, 0, counter, 0);
    literal(counter, 1, 2);
    start();
    signal(0, 100);
    pass();
    EXPECT_EQ(out(early), 100);
    EXPECT_EQ(out(late), 0);
    EXPECT_EQ(out(counter), 2);
    pass();
    EXPECT_EQ(out(late), 100);
    EXPECT_EQ(out(counter), 4);
}

TEST_F(EvaluatorTest, TheTickFallsOnEveryTwentiethPassAndTheCountWraps) {
    int pid = add(ElementType::PID);
    feed(pid, S, 0);
    literal(pid, Ki, 2); // grows by exactly one raw unit per update
    literal(pid, T, 500);
    start();
    signal(0, 2500);
    std::vector<int> ticks;
    for (int k = 1; k <= 100; ++k) {
        pass();
        if (evaluator.Tick())
            ticks.push_back(k);
    }
    EXPECT_EQ(ticks, (std::vector<int>{20, 40, 60, 80, 100}));
    EXPECT_EQ(evaluator.SubCounter(), 0);
    EXPECT_EQ(out(pid, 1), 10);
    // Past the wrap of the 16-bit step count, updates keep their 10-step rhythm.
    pass(70000 - 100);
    EXPECT_EQ(evaluator.StepCount(), static_cast<uint16_t>(70000));
    EXPECT_EQ(out(pid, 1), 7000);
    EXPECT_EQ(out(pid, 3), static_cast<int16_t>(static_cast<uint16_t>(70000)));
}

TEST_F(EvaluatorTest, StartClearsTheLiveAreaAndTheCounters) {
    int s = add(ElementType::Summer);
    literal(s, 0, 100);
    start();
    pass(33);
    std::memset(ecu->Image + kLiveBase, 0x5A, kLiveSize);
    evaluator.Start(memory.view());
    EXPECT_EQ(evaluator.StepCount(), 0);
    EXPECT_EQ(evaluator.SubCounter(), 0);
    for (int a = 0; a < kLiveSize; ++a)
        ASSERT_EQ(ecu->Image[kLiveBase + a], 0) << a;
}

TEST_F(EvaluatorTest, UnknownCodesAndTheFinishByteEndThePass) {
    int first = add(ElementType::Constant);
    int second = add(ElementType::Constant);
    start();
    constWord(first, 0, 100);
    constWord(second, 0, 200);
    EXPECT_EQ(evaluator.Pass(memory.view()), 3);
    EXPECT_EQ(out(second), 200);
    ecu->Image[kLogicBase + ecu->ElementLogicOffset[second]] = 20; // no such type
    constWord(first, 0, 102);
    constWord(second, 0, 202);
    EXPECT_EQ(evaluator.Pass(memory.view()), 2);
    EXPECT_EQ(out(first), 102);
    EXPECT_EQ(out(second), 200);
}

TEST_F(EvaluatorTest, DedicatedElementsLabelsAndDisplaysAreNotCalculated) {
    int label = add(ElementType::Label);
    int display = add(ElementType::Display);
    int analogue = add(ElementType::AnalogueInputs);
    int general = add(ElementType::General);
    raw.link(display, 0, 0, 5);
    start();
    (void)label;
    (void)general;
    signal(5, 1234);
    memory.view().SetLiveWord(ecu->ElementLiveOffset[analogue], 777);
    pass(3);
    EXPECT_EQ(out(0, 5), 1234);
    EXPECT_EQ(out(analogue), 777);
}

// Links anywhere, live blocks beyond the live area, corrupt tables: the evaluator
// stays inside the memory it is given (the sanitizer build checks it) and never
// writes outside the live area.
TEST(EvaluatorRobustness, AnyImageStaysInsideTheMemory) {
    SilentMessages quiet;
    auto ecu = std::make_unique<tECU>(quiet);
    std::mt19937 random(4242);
    const int codes[] = {1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 159, 0};
    DiagramEvaluator evaluator;
    for (int round = 0; round < 12; ++round) {
        for (int k = 0; k < kStatusBase; ++k)
            ecu->Image[k] = static_cast<uint8_t>(random());
        if (round % 2) {
            for (int L = 0; L + 600 < kLogicSize;) {
                int code = codes[random() % 20];
                ecu->Image[kLogicBase + L] = static_cast<uint8_t>(code);
                L += tECU::LogicSize(code);
            }
        }
        std::vector<uint8_t> before(ecu->Image, ecu->Image + kImageSize);
        ImageMemory memory(*ecu);
        evaluator.SetCounters(static_cast<uint16_t>(random()), 7);
        evaluator.Run(memory.view(), 3);
        // A memory that ends right after the logic area, as a short ECU map might.
        EcuMemoryView small = memory.view();
        small.configSize = kLogicBase + 100;
        evaluator.Run(small, 2);
        for (long a = 0; a < kImageSize; ++a) {
            if (a >= kLiveBase && a < kLiveBase + kLiveSize)
                continue;
            if (a >= kConstBase && a < kConstBase + kConstSize)
                continue; // learning writes cells
            ASSERT_EQ(ecu->Image[a], before[static_cast<size_t>(a)]) << round << " at " << a;
        }
    }
}

TEST_F(EvaluatorTest, LiveBlocksBeyondTheLiveAreaAreDropped) {
    // 52 inputs elements of 160 live bytes each push the next blocks past 8192.
    for (int k = 0; k < 52; ++k)
        add(ElementType::Inputs);
    int s = add(ElementType::Summer);
    literal(s, 0, 100);
    start();
    ASSERT_GE(ecu->ElementLiveOffset[s], kLiveSize);
    std::vector<uint8_t> names(ecu->Image + kLiveBase + kLiveSize,
                               ecu->Image + kLiveBase + kLiveSize + 4096);
    pass(2);
    EXPECT_TRUE(std::equal(names.begin(), names.end(), ecu->Image + kLiveBase + kLiveSize));
    EXPECT_EQ(out(s), 0);
}

} // namespace
