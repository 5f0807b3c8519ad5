#include "emu/VirtualEcu.h"
#include "LinkTestSupport.h"
#include "emu/VirtualEcuLink.h"
#include "link/ModbusDriver.h"

#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::emu;

namespace {

using Bytes = std::vector<uint8_t>;
using zolmar::test::withCrc;

Bytes request(uint8_t f, uint16_t reg, uint16_t fifth) {
    return withCrc({0x01, f, static_cast<uint8_t>(reg >> 8), static_cast<uint8_t>(reg & 0xFF),
                    static_cast<uint8_t>(fifth >> 8), static_cast<uint8_t>(fifth & 0xFF)});
}

Bytes blockWrite(uint8_t f, uint16_t reg, const std::vector<uint16_t>& words) {
    auto n = static_cast<uint16_t>(words.size());
    Bytes frame = {0x01,
                   f,
                   static_cast<uint8_t>(reg >> 8),
                   static_cast<uint8_t>(reg & 0xFF),
                   static_cast<uint8_t>(n >> 8),
                   static_cast<uint8_t>(n & 0xFF),
                   static_cast<uint8_t>(2 * n)};
    for (uint16_t w : words) {
        frame.push_back(static_cast<uint8_t>(w >> 8));
        frame.push_back(static_cast<uint8_t>(w & 0xFF));
    }
    return withCrc(frame);
}

struct EcuTest : ::testing::Test {
    VirtualEcu ecu;
    Bytes serve(const Bytes& frame) {
        uint8_t reply[256];
        int n = ecu.HandleRequest(frame.data(), static_cast<int>(frame.size()), reply);
        return Bytes(reply, reply + n);
    }
    std::vector<uint16_t> read(uint8_t f, uint16_t reg, uint16_t n) {
        Bytes reply = serve(request(f, reg, n));
        EXPECT_EQ(reply.size(), 2u * n + 5) << "exception " << (reply.size() > 2 ? reply[2] : 0);
        std::vector<uint16_t> words;
        for (int i = 0; i < n && 4 + 2 * i < static_cast<int>(reply.size()); ++i)
            words.push_back(static_cast<uint16_t>(reply[3 + 2 * i] << 8 | reply[4 + 2 * i]));
        return words;
    }
};

TEST_F(EcuTest, StartsWithAnEmptyConsistentConfiguration) {
    EXPECT_EQ(ecu.ReadWord(0), 0x0400);
    EXPECT_EQ(ecu.ReadWord(2), 0x0001);
    EXPECT_EQ(ecu.Memory()[0x8000], 0xFF);
    EXPECT_EQ(read(0x03, 0, 2), (std::vector<uint16_t>{0x0400, 0x0001}));
}

TEST_F(EcuTest, ReadsBothBanksHighByteFirst) {
    ecu.WriteWord(0x00124, 0xA1B2);
    ecu.WriteWord(0x20010, 0x0C0D);
    Bytes reply = serve(request(0x03, 0x92, 1));
    EXPECT_EQ(reply, withCrc({0x01, 0x03, 0x02, 0xA1, 0xB2}));
    EXPECT_EQ(read(0x04, 0x0008, 1), std::vector<uint16_t>{0x0C0D});
}

TEST_F(EcuTest, StatusBlock) {
    ecu.SetSerial("AB-7");
    ecu.SetRates(255, 42);
    ecu.SetPackage(3, 7);
    ecu.SetModeBits(2);
    auto status = read(0x04, 0x5000, 32);
    ASSERT_EQ(status.size(), 32u);
    EXPECT_EQ(status[0], 'A' << 8 | 'B');
    EXPECT_EQ(status[1], '-' << 8 | '7');
    EXPECT_EQ(status[2], 0); // padded with zero bytes
    EXPECT_EQ(status[30], 255 << 8 | 42);
    EXPECT_EQ(status[31], 0x8000 | 3 << 8 | 7);
    // The scope writes the mode word.
    EXPECT_EQ(serve(request(0x86, 0x501F, 0x8000)).size(), 8u);
    EXPECT_EQ(ecu.ModeBits(), 2);
}

TEST_F(EcuTest, LearnReportsAreStoredAndReportedOnce) {
    EXPECT_TRUE(ecu.PostLearnReport(0x0410, 0x1234));
    EXPECT_TRUE(ecu.PostLearnReport(0x9000, 0x0055)); // outside the constants: report only
    EXPECT_FALSE(ecu.PostLearnReport(0, 1));
    EXPECT_EQ(ecu.ReadWord(0x0410), 0x1234);
    EXPECT_EQ(ecu.Committed()[0x0410], 0x34);
    EXPECT_EQ(ecu.ReadWord(0x9000), 0xFFFF);
    auto status = read(0x04, 0x5000, 32);
    EXPECT_EQ(status[16], 0x0410);
    EXPECT_EQ(status[17], 0x1234);
    EXPECT_EQ(status[18], 0x9000);
    EXPECT_EQ(ecu.PendingLearnReports(), 0);
    EXPECT_EQ(read(0x04, 0x5000, 32)[16], 0);
    for (int k = 0; k < 7; ++k)
        EXPECT_TRUE(ecu.PostLearnReport(static_cast<uint16_t>(0x500 + 2 * k), 1));
    EXPECT_FALSE(ecu.PostLearnReport(0x600, 1)) << "seven slots";
    read(0x04, 0x5000, 16); // the serial only: the reports stay
    EXPECT_EQ(ecu.PendingLearnReports(), 7);
}

TEST_F(EcuTest, WritesAreStagedUntilTheCommitWord) {
    EXPECT_EQ(serve(request(0x06, 0x0200, 0x5A5A)), request(0x06, 0x0200, 0x5A5A));
    EXPECT_EQ(serve(blockWrite(0x90, 0x0010, {0x4142, 0x4344})), request(0x90, 0x0010, 2));
    EXPECT_EQ(ecu.ReadWord(0x400), 0x5A5A);
    EXPECT_EQ(ecu.ReadWord(0x20020), 0x4142);
    EXPECT_EQ(ecu.Committed()[0x400], 0);
    EXPECT_EQ(ecu.CommitCount(), 0);

    ecu.Restart(); // power lost before the commit
    EXPECT_EQ(ecu.ReadWord(0x400), 0);

    serve(request(0x06, 0x0200, 0x5A5A));
    serve(request(0x06, 0xFFFF, 0x5137));
    EXPECT_EQ(ecu.CommitCount(), 1);
    EXPECT_EQ(ecu.LastCommand(), 0x5137);
    EXPECT_EQ(ecu.Committed()[0x400], 0x5A);
    ecu.Restart();
    EXPECT_EQ(ecu.ReadWord(0x400), 0x5A5A);
}

TEST_F(EcuTest, ExceptionRepliesAndSilence) {
    EXPECT_EQ(serve(request(0x05, 0, 0)), withCrc({0x01, 0x85, 0x01}));
    EXPECT_EQ(serve(request(0x03, 0, 0)), withCrc({0x01, 0x83, 0x03}));
    EXPECT_EQ(serve(request(0x03, 0, 126)), withCrc({0x01, 0x83, 0x03}));
    EXPECT_EQ(serve(request(0x04, 0xFFF0, 17)), withCrc({0x01, 0x84, 0x02})) << "past the bank";
    EXPECT_EQ(serve(request(0x86, 0x5000, 1)), withCrc({0x01, 0x86, 0x02}))
        << "serial is read-only";
    EXPECT_EQ(serve(request(0x06, 0x0000, 1)).size(), 8u);
    Bytes badCount = blockWrite(0x10, 0, {1, 2});
    badCount[6] = 3;
    badCount = withCrc(Bytes(badCount.begin(), badCount.end() - 2));
    EXPECT_EQ(serve(badCount), withCrc({0x01, 0x90, 0x03}));
    // A block reaching past the writable names into the status block writes nothing.
    EXPECT_EQ(serve(blockWrite(0x90, 0x4FFF, {0x1111, 0x2222})), withCrc({0x01, 0x90, 0x02}));
    EXPECT_EQ(ecu.ReadWord(0x29FFE), 0);

    Bytes corrupt = request(0x03, 0, 1);
    corrupt[3] ^= 1;
    EXPECT_TRUE(serve(corrupt).empty());
    Bytes otherUnit = request(0x03, 0, 1);
    otherUnit[0] = 2;
    EXPECT_TRUE(serve(withCrc(Bytes(otherUnit.begin(), otherUnit.end() - 2))).empty());
    EXPECT_TRUE(serve({0x01, 0x03}).empty());
}

TEST_F(EcuTest, HandlersServeLaterRegions) {
    uint16_t page = 0;
    ecu.AddHandler({0x30000, 0x40000,
                    [](uint32_t address, uint16_t& value) {
                        value = static_cast<uint16_t>(address >> 4);
                        return true;
                    },
                    [&page](uint32_t, uint16_t value) {
                        page = value;
                        return true;
                    }});
    EXPECT_EQ(read(0x04, 0x8010, 1), std::vector<uint16_t>{0x3002});
    serve(request(0x86, 0x8000, 5));
    EXPECT_EQ(page, 5);
    ecu.AddHandler({0x2B000, 0x2B100, nullptr, nullptr});
    EXPECT_EQ(serve(request(0x04, 0x5800, 1)), withCrc({0x01, 0x84, 0x02}));
}

TEST_F(EcuTest, FaultsAndUnplugging) {
    Bytes frame = request(0x03, 0, 2);
    ecu.faults.dropProbability = 1;
    EXPECT_EQ(ecu.Serve(frame.data(), 8).length, 0);
    ecu.faults.dropProbability = 0;
    ecu.faults.corruptProbability = 1;
    ecu.faults.delayMs = 30;
    EcuReply reply = ecu.Serve(frame.data(), 8);
    ASSERT_EQ(reply.length, 9);
    EXPECT_NE(Bytes(reply.bytes, reply.bytes + 9),
              withCrc({0x01, 0x03, 0x04, 0x04, 0x00, 0x00, 0x01}));
    EXPECT_EQ(reply.delayMs, 30u);
    ecu.faults = Faults{};
    ecu.Unplug();
    EXPECT_EQ(ecu.Serve(frame.data(), 8).length, 0);
    ecu.Replug();
    EXPECT_EQ(ecu.Serve(frame.data(), 8).length, 9);
    EXPECT_EQ(ecu.Unplugs(), 1u);
    EXPECT_EQ(VirtualEcu::WireMicros(25), 1000u);
}

TEST_F(EcuTest, TicksAdvanceEcuTime) {
    std::vector<uint64_t> seen;
    ecu.onTick.push_back([&seen](uint64_t now) { seen.push_back(now); });
    ecu.Advance(3);
    ecu.Advance(50);
    EXPECT_EQ(seen, (std::vector<uint64_t>{3, 53}));
}

TEST(RequestAssembler, CutsAStreamIntoFrames) {
    RequestAssembler assembler;
    uint8_t frame[256];
    int length = 0;
    Bytes a = request(0x03, 1, 2);
    Bytes b = blockWrite(0x10, 5, {1, 2, 3});
    Bytes both = a;
    both.insert(both.end(), b.begin(), b.end());
    assembler.Add(both.data(), 5);
    EXPECT_FALSE(assembler.Next(frame, length));
    assembler.Add(both.data() + 5, static_cast<int>(both.size()) - 5);
    ASSERT_TRUE(assembler.Next(frame, length));
    EXPECT_EQ(Bytes(frame, frame + length), a);
    ASSERT_TRUE(assembler.Next(frame, length));
    EXPECT_EQ(Bytes(frame, frame + length), b);
    EXPECT_FALSE(assembler.Next(frame, length));
    EXPECT_EQ(assembler.Pending(), 0);
}

TEST(RequestAssembler, RecoversFromNoiseAtAPause) {
    RequestAssembler assembler;
    uint8_t frame[256];
    int length = 0;
    Bytes noise = {0x01, 0x03, 0x99, 0x98, 0x97, 0x96, 0x95, 0x94, 0x93};
    assembler.Add(noise.data(), 9);
    EXPECT_FALSE(assembler.Next(frame, length));
    Bytes good = request(0x03, 0, 1);
    assembler.Add(good.data(), 8); // still within the noise burst: dropped
    EXPECT_FALSE(assembler.Next(frame, length));
    EXPECT_FALSE(assembler.Pause(frame, length));
    assembler.Add(good.data(), 8);
    EXPECT_TRUE(assembler.Next(frame, length));

    // A code of unknown length is a frame when the line goes quiet.
    Bytes odd = withCrc({0x01, 0x2B, 0x0E, 0x01, 0x00});
    assembler.Add(odd.data(), static_cast<int>(odd.size()));
    EXPECT_FALSE(assembler.Next(frame, length));
    ASSERT_TRUE(assembler.Pause(frame, length));
    EXPECT_EQ(Bytes(frame, frame + length), odd);

    Bytes flood(300, 0x01);
    assembler.Add(flood.data(), 300);
    EXPECT_EQ(assembler.Pending(), 0);
    EXPECT_FALSE(assembler.Pause(frame, length));
}

} // namespace

namespace {

TEST(VirtualEcuLink, TimePassesOnTheManualClockAndUnplugKillsTheHandle) {
    VirtualEcu ecu;
    VirtualEcuLink link(ecu);
    ManualClock clock;
    link.clock = &clock;
    link.pace = true;
    TModbusDriver driver(link);
    std::string error;
    uint16_t words[32];
    ASSERT_TRUE(driver.ReadRegisters(0x2A000, 32, words, error)) << error;
    EXPECT_EQ(clock.now, 3u) << "8 + 69 bytes at 250000 baud";
    ecu.faults.dropProbability = 1;
    EXPECT_FALSE(driver.ReadRegisters(0x2A000, 32, words, error));
    EXPECT_EQ(clock.now, 3u + 40u) << "a missing reply costs the read time-out";
    ecu.faults.dropProbability = 0;

    // A late reply still arrives after its read has given up. The driver drains it
    // before the next request, so it is never taken for that request's reply.
    link.pace = false;
    ASSERT_TRUE(driver.WriteRegister(0x1FFFE, 0, error)) << error; // waits up to 25 s
    ecu.faults.delayMs = 50;
    uint32_t before = clock.now;
    EXPECT_FALSE(driver.ReadRegisters(0x2A000, 32, words, error));
    EXPECT_EQ(error, "No response");
    EXPECT_EQ(clock.now, before + 40u);
    ecu.faults.delayMs = 0;
    uint16_t one = 0;
    ASSERT_TRUE(driver.ReadRegisters(0x2A000, 1, &one, error)) << error;
    EXPECT_EQ(clock.now, before + 80u) << "a drain gap with the late reply, then a quiet one";
    EXPECT_EQ(one, 'Q' << 8 | '7') << "its own reply, not the late one";
    ecu.faults.delayMs = 30;
    ASSERT_TRUE(driver.ReadRegisters(0x2A000, 32, words, error)) << error;
    EXPECT_EQ(clock.now, before + 110u) << "a reply within the time-out is waited for";
    ecu.faults.delayMs = 0;

    UsbXpress::Handle old = driver.Handle;
    ecu.Unplug();
    ecu.Replug();
    uint32_t written = 0;
    const uint8_t frame[1] = {0};
    EXPECT_EQ(link.Write(old, frame, 1, written), UsbXpress::WriteError);
    EXPECT_FALSE(driver.ReadRegisters(0, 2, words, error));
    EXPECT_EQ(error, "Send/recv error") << "the driver has opened it again";
    EXPECT_NE(driver.Handle, old);
    EXPECT_TRUE(driver.ReadRegisters(0, 2, words, error)) << error;
}

} // namespace
