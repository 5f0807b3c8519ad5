#include "link/FirmwareFlasher.h"
#include "TempDir.h"
#include "emu/EcuBootLoader.h"
#include "emu/VirtualEcuLink.h"
#include "files/AtomicFile.h"
#include "link/ModbusDriver.h"
#include "link/SyncEngine.h"

#include <gtest/gtest.h>

using namespace zolmar;
using zolmar::test::TempDir;

namespace {

FirmwarePackage::Segment segment(uint32_t address, uint8_t seed) {
    FirmwarePackage::Segment s{};
    s.address = address;
    for (int k = 0; k < FirmwarePackage::kDataSize; ++k)
        s.data[static_cast<size_t>(k)] = static_cast<uint8_t>(seed + 7 * k);
    return s;
}

FirmwarePackage package(const std::vector<FirmwarePackage::Segment>& segments) {
    auto bytes = FirmwarePackage::Build(segments);
    return FirmwarePackage::Parse(bytes.data(), bytes.size());
}

TEST(FirmwarePackageTest, WholeSegmentsOnlyAndLittleEndianAddresses) {
    std::vector<uint8_t> bytes(1000, 0);
    bytes[131] = 0x80;
    bytes[132] = 0x11;
    bytes[133] = 0x08;
    bytes[134] = 0xAB;
    auto p = FirmwarePackage::Parse(bytes.data(), bytes.size());
    ASSERT_EQ(p.Segments().size(), 7u);
    EXPECT_EQ(p.FileSize(), 1000u);
    EXPECT_EQ(p.Segments()[1].address, 0x081180u);
    EXPECT_EQ(p.Segments()[1].data[0], 0xAB);
    EXPECT_TRUE(FirmwarePackage::Parse(bytes.data(), 130).Empty());

    auto built = FirmwarePackage::Build({segment(0x123456, 1)});
    ASSERT_EQ(built.size(), 131u);
    EXPECT_EQ(built[0], 0x56);
    EXPECT_EQ(built[2], 0x12);
}

TEST(FirmwarePackageTest, FilesAboveTwoMebibytesAreRefused) {
    TempDir dir;
    std::vector<uint8_t> big(FirmwarePackage::kMaxFileSize + 1, 0);
    std::string error;
    ASSERT_TRUE(writeFileAtomically(dir.path("big.zfw"), big.data(), big.size(), error));
    FirmwarePackage p;
    EXPECT_FALSE(FirmwarePackage::Load(dir.path("big.zfw"), p, error));
    EXPECT_NE(error.find("2 MiB"), std::string::npos);
    big.pop_back();
    ASSERT_TRUE(writeFileAtomically(dir.path("max.zfw"), big.data(), big.size(), error));
    EXPECT_TRUE(FirmwarePackage::Load(dir.path("max.zfw"), p, error)) << error;
    EXPECT_EQ(p.Segments().size(), FirmwarePackage::kMaxFileSize / 131);
    EXPECT_FALSE(FirmwarePackage::Load(dir.path("missing.zfw"), p, error));
    EXPECT_FALSE(error.empty());
}

TEST(FirmwareProtocolTest, EraseBytesFollowTheBlockRules) {
    using A = std::array<uint8_t, 4>;
    EXPECT_EQ(FirmwareFlasher::EraseCommand(0x1180), (A{0x0A, 0x0B, 0x11, 0x00}));
    EXPECT_EQ(FirmwareFlasher::EraseCommand(0x1100), (A{0x0A, 0x0B, 0x11, 0x00}));
    EXPECT_EQ(FirmwareFlasher::EraseCommand(0x1280), (A{0x0A, 0x0B, 0x12, 0x00}));
    EXPECT_EQ(FirmwareFlasher::EraseCommand(0x0F00), (A{0x0A, 0x0B, 0x0E, 0x00}));
    EXPECT_EQ(FirmwareFlasher::EraseCommand(0x1080), (A{0x0A, 0x0B, 0x10, 0x00}));
    EXPECT_EQ(FirmwareFlasher::EraseCommand(0x84000), (A{0x0A, 0x0B, 0x00, 0x08}));
    EXPECT_EQ(FirmwareFlasher::EraseCommand(0xFFF80), (A{0x0A, 0x0B, 0x00, 0x0F}));
    const uint8_t good[] = {0x41, 0x42, 0x7D};
    const uint8_t bad[] = {0x41, 0x42, 0x7E};
    EXPECT_TRUE(FirmwareFlasher::ChecksumValid(good, 2));
    EXPECT_FALSE(FirmwareFlasher::ChecksumValid(bad, 2));
    // The restart frame is the driver's own write of "RS" to the command word.
    const auto* f = FirmwareFlasher::kRestartFrame;
    uint16_t crc = TModbusDriver::Crc16(f, 6);
    EXPECT_EQ(f[6], crc & 0xFF);
    EXPECT_EQ(f[7], crc >> 8);
}

// Records what the flashing window would show.
struct RecordingView : FlashView {
    std::string status;
    std::string version;
    std::vector<std::string> log;
    int position = -1;
    int maximum = -1;
    void statusChanged(const std::string& t) override { status = t; }
    void versionChanged(const std::string& t) override { version = t; }
    void logCleared() override { log.clear(); }
    void logLine(const std::string& l) override { log.push_back(l); }
    void progressChanged(int p, int m) override {
        position = p;
        maximum = m;
    }
    bool logged(const std::string& line) const {
        return std::find(log.begin(), log.end(), line) != log.end();
    }
};

struct FlasherTest : ::testing::Test {
    emu::VirtualEcu ecu;
    emu::EcuBootLoader loader{ecu};
    emu::VirtualEcuLink link{ecu};
    ManualClock clock;
    RecordingView view;
    FirmwareFlasher flasher{link, view};

    void SetUp() override {
        link.clock = &clock;
        link.recordFrames = true;
        flasher.pause = [this](uint32_t ms) { clock.advance(ms); };
        loader.SetVersion("q7700x 3.12 build 7");
        loader.SetSerial("Q77-00412");
    }
    // Pings until the boot loader answers; returns the ticks it took.
    int connect() {
        for (int tick = 1; tick <= 10; ++tick)
            if (flasher.PingTick() == 1000)
                return tick;
        return -1;
    }
};

TEST_F(FlasherTest, PingCycleRestartsARunningEcuIntoItsBootLoader) {
    EXPECT_EQ(flasher.PingTick(), 2u);
    EXPECT_EQ(view.status, "Connect ECU to USB port");
    EXPECT_EQ(link.baudRate, 57600u);
    EXPECT_FALSE(loader.Running());

    EXPECT_EQ(flasher.PingTick(), 5u); // the application ignores the ping
    EXPECT_EQ(view.status, "Reset ECU.");
    EXPECT_TRUE(loader.Running());
    ASSERT_GE(link.requests.size(), 2u);
    EXPECT_EQ(link.requests.back(), std::vector<uint8_t>(std::begin(FirmwareFlasher::kRestartFrame),
                                                         std::end(FirmwareFlasher::kRestartFrame)));
    EXPECT_EQ(link.baudRate, 57600u);

    EXPECT_EQ(flasher.PingTick(), 1000u);
    EXPECT_EQ(view.version, "q7700x 3.12 build 7");
    EXPECT_EQ(view.status, "q7700x OK. Serial # is Q77-00412");
    EXPECT_EQ(flasher.Serial(), "Q77-00412");

    loader.SetSerial("");
    EXPECT_EQ(flasher.PingTick(), 1000u);
    EXPECT_EQ(view.status, "q7700x connected. No serial number.");
}

TEST_F(FlasherTest, NoEcuIsReportedWithTheDeviceCount) {
    ecu.Unplug();
    link.otherDevices.push_back({"0403", "6001"});
    EXPECT_FALSE(flasher.OpenLink());
    EXPECT_EQ(view.status, "Could not find ECU on USB chain (1 devices)");
    EXPECT_EQ(flasher.PingTick(), 2u);
    EXPECT_EQ(view.status, "Connect ECU to USB port");
}

TEST_F(FlasherTest, ProgramAndVerifyEveryKindOfSegment) {
    ASSERT_EQ(connect(), 3);
    std::vector<FirmwarePackage::Segment> segments;
    for (uint32_t a = 0x0E00; a < 0x1400; a += 0x80)
        if (a < 0x1000 || a >= 0x1100) // the serial number area is not in the package
            segments.push_back(segment(a, static_cast<uint8_t>(a >> 4)));
    segments.push_back(segment(0x84000, 0x33));
    segments.push_back(segment(0x84080, 0x44));
    segments.push_back(segment(0x9FF80, 0x55));
    segments.push_back(segment(0x20000, 0x66)); // written without an erase
    flasher.SetPackage(package(segments), "new.zfw");
    EXPECT_EQ(view.log,
              (std::vector<std::string>{"Opened new.zfw OK.", "Read 1834 bytes (14 segments)"}));

    ASSERT_TRUE(flasher.Program());
    EXPECT_EQ(loader.erases, (std::vector<uint32_t>{0x0E00, 0x1100, 0x1200, 0x80000, 0x90000}));
    EXPECT_EQ(view.log.front(), "Erased 000E00 OK");
    EXPECT_TRUE(view.logged("Erasing PLD flash 084000 (will take a sec)"));
    EXPECT_TRUE(view.logged("Erased 084000 OK"));
    EXPECT_TRUE(view.logged("Wrote 020000 OK"));
    EXPECT_EQ(view.log.back(), "Finished writing the following file: \"new.zfw\"");
    EXPECT_EQ(view.position, 14);
    EXPECT_EQ(view.maximum, 14);
    for (const auto& s : segments)
        for (int k = 0; k < 128; ++k)
            ASSERT_EQ(loader.FlashByte(s.address + static_cast<uint32_t>(k)),
                      s.data[static_cast<size_t>(k)]);

    int errors = -1;
    ASSERT_TRUE(flasher.Verify(errors));
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(view.log, (std::vector<std::string>{"Verify finished (0 errors)"}));
    EXPECT_EQ(flasher.Serial(), "Q77-00412");
    connect();
    EXPECT_EQ(view.status, "q7700x OK. Serial # is Q77-00412"); // the serial survived

    flasher.Done();
    EXPECT_FALSE(loader.Running());
    EXPECT_EQ(flasher.Handle(), 0u);
    // The application answers the configuration link again.
    TModbusDriver driver(link);
    std::string error;
    ASSERT_TRUE(driver.FindAndOpen(error)) << error;
    uint16_t word = 0;
    EXPECT_TRUE(driver.ReadRegisters(0x2A000, 1, &word, error)) << error;
}

TEST_F(FlasherTest, FailedExchangesAreRetriedWithinOneBudgetPerRun) {
    ASSERT_EQ(connect(), 3);
    flasher.SetPackage(package({segment(0x2000, 1), segment(0x2080, 2)}), "p.zfw");
    loader.failErases = 2;
    loader.failWrites = 3;
    ASSERT_TRUE(flasher.Program());
    EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "Failed erase at 002000"), 2);
    EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "Failed write at 002000"), 3);
    EXPECT_EQ(view.log.back(), "Finished writing the following file: \"p.zfw\"");

    // An interrupted run: the ECU stays in its boot loader and can be programmed again.
    loader.failWrites = 11;
    EXPECT_FALSE(flasher.Program());
    EXPECT_EQ(view.log.back(), "Failed too many times");
    EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "Failed write at 002000"), 11);
    EXPECT_TRUE(loader.Running());
    EXPECT_NE(view.position, view.maximum);
    ASSERT_TRUE(flasher.Program());
    int errors = -1;
    ASSERT_TRUE(flasher.Verify(errors));
    EXPECT_EQ(errors, 0);
}

TEST_F(FlasherTest, VerifyListsEveryDifferenceOfAWrongPackage) {
    ASSERT_EQ(connect(), 3);
    auto good = segment(0x3000, 9);
    flasher.SetPackage(package({good}), "a.zfw");
    ASSERT_TRUE(flasher.Program());
    auto other = good;
    other.data[5] = static_cast<uint8_t>(~other.data[5]);
    flasher.SetPackage(package({other}), "b.zfw");
    int errors = 0;
    ASSERT_TRUE(flasher.Verify(errors));
    EXPECT_EQ(errors, 1);
    char line[64];
    std::snprintf(line, sizeof line, "Address 003005 - ref %02X vs target %02X", other.data[5],
                  good.data[5]);
    EXPECT_EQ(view.log, (std::vector<std::string>{line, "Verify finished (1 errors)"}));

    // A package for other flash: far more than 200 differences stop the comparison.
    std::vector<FirmwarePackage::Segment> wrong;
    for (int s = 0; s < 4; ++s) {
        auto w = segment(0x3000 + 0x80 * static_cast<uint32_t>(s), 1);
        w.data.fill(0x00);
        wrong.push_back(w);
    }
    flasher.SetPackage(package(wrong), "wrong.zfw");
    ASSERT_TRUE(flasher.Verify(errors));
    EXPECT_GE(errors, 200);
    EXPECT_LT(errors, 200 + 128);
    EXPECT_EQ(view.log.back(),
              "Verify finished (stopped after " + std::to_string(errors) + " errors)");
}

TEST_F(FlasherTest, VerifyGivesUpAfterTooManyFailedReads) {
    ASSERT_EQ(connect(), 3);
    flasher.SetPackage(package({segment(0x0400, 1)}), "p.zfw");
    loader.failReads = 3; // bad checksums
    int errors = 0;
    ASSERT_TRUE(flasher.Verify(errors));
    EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "Failed to read 0400"), 3);
    EXPECT_EQ(errors, 128); // nothing was programmed: all erased bytes differ
    loader.failReads = 11;
    EXPECT_FALSE(flasher.Verify(errors));
    EXPECT_EQ(view.log.back(), "Too many failures");
}

TEST_F(FlasherTest, UnerasedFlashShowsInVerify) {
    // Flash can only clear bits: writing over old data without its erase leaves a mix.
    ASSERT_EQ(connect(), 3);
    auto first = segment(0x5000, 0);
    first.data.fill(0x0F);
    auto second = first;
    second.data.fill(0xF0);
    flasher.SetPackage(package({first}), "1.zfw");
    ASSERT_TRUE(flasher.Program());
    // Written directly, as a second write in the same run would be.
    uint8_t command[133] = {0x07, 0x00, 0x50, 0x00, 0x80};
    std::fill(command + 5, command + 133, 0xF0);
    std::vector<uint8_t> out;
    loader.Receive(command, sizeof command, 57600, out);
    flasher.SetPackage(package({second}), "2.zfw");
    int errors = 0;
    ASSERT_TRUE(flasher.Verify(errors));
    EXPECT_EQ(errors, 128);
    ASSERT_TRUE(flasher.Program()); // a new run erases first
    ASSERT_TRUE(flasher.Verify(errors));
    EXPECT_EQ(errors, 0);
}

TEST_F(FlasherTest, BootLoaderIgnoresBytesAtAnotherRate) {
    loader.Start();
    std::vector<uint8_t> reply;
    const uint8_t ping = 0xFF;
    loader.Receive(&ping, 1, 250000, reply);
    EXPECT_TRUE(reply.empty());
    loader.Receive(&ping, 1, 57600, reply);
    EXPECT_EQ(reply, (std::vector<uint8_t>{0x00}));
    // A read split over two receives is answered once complete.
    const uint8_t read[] = {0x05, 0x00, 0x00, 0x00, 0x02};
    reply.clear();
    loader.Receive(read, 3, 57600, reply);
    EXPECT_TRUE(reply.empty());
    loader.Receive(read + 3, 2, 57600, reply);
    ASSERT_EQ(reply.size(), 3u);
    EXPECT_TRUE(FirmwareFlasher::ChecksumValid(reply.data(), 2));
}

// While the flashing window is open the poll cycle leaves the device alone: a status
// read would reopen it at the configuration link's rate under the boot loader's feet.
TEST_F(FlasherTest, PollCyclesDoNotTouchTheDeviceWhileFlashing) {
    RecordingMessages messages;
    auto model = std::make_unique<tECU>(messages);
    LinkObserver quiet;
    SyncEngine engine(*model, link, quiet);
    engine.StartUp();
    PollContext context;
    context.flashingWindowVisible = true;
    engine.Disconnect();
    ASSERT_EQ(connect(), 3);
    const size_t before = link.requests.size();
    for (int n = 0; n < 5; ++n)
        engine.PollCycle(context);
    EXPECT_EQ(link.requests.size(), before);
    EXPECT_EQ(link.baudRate, 57600u);
    EXPECT_EQ(engine.ConnectionStatus(), "Updating Package/Firmware");
    EXPECT_EQ(flasher.PingTick(), 1000u);

    flasher.Done();
    engine.Connect();
    context.flashingWindowVisible = false;
    for (int n = 0; n < 5; ++n)
        engine.PollCycle(context);
    EXPECT_GT(link.requests.size(), before + 1);
    EXPECT_TRUE(model->EcuPresent);
}

} // namespace

namespace {

FirmwarePackage::Segment versionSegment(const std::string& text) {
    FirmwarePackage::Segment s{};
    std::copy(text.begin(), text.end(), s.data.begin());
    return s;
}

TEST(FirmwarePackageCheck, SaysWhatProgramWillDo) {
    auto p = package({versionSegment("q7700x firmware 3.13"), segment(0x0080, 1),
                      segment(0x1180, 2), segment(0x9000, 3), segment(0x84000, 4),
                      segment(0x84080, 5), segment(0x90000, 6)});
    const auto plan = p.Check();
    EXPECT_TRUE(plan.refusals.empty());
    EXPECT_TRUE(plan.doubts.empty());
    EXPECT_EQ(plan.mainSegments, 4);
    EXPECT_EQ(plan.mainBlocks, 3); // 0x0000, 0x1000, 0x9000
    EXPECT_EQ(plan.pldSegments, 3);
    EXPECT_EQ(plan.pldBlocks, 2);
    EXPECT_EQ(plan.version, "q7700x firmware 3.13");
    EXPECT_EQ(plan.Summary("fw.zfw"),
              (std::vector<std::string>{"Program will write 7 segments of \"fw.zfw\":",
                                        "  main flash: 4 segments, 3 blocks of 512 bytes erased",
                                        "  PLD flash: 3 segments, 2 blocks of 64 KB erased",
                                        "  firmware version: \"q7700x firmware 3.13\""}));
}

TEST(FirmwarePackageCheck, RefusesWhatNoPackageCanBe) {
    EXPECT_EQ(FirmwarePackage::Parse(nullptr, 0).Check().refusals.size(), 1u);
    std::vector<uint8_t> hundred(100, 7);
    auto none = FirmwarePackage::Parse(hundred.data(), hundred.size()).Check();
    ASSERT_EQ(none.refusals.size(), 1u);
    EXPECT_NE(none.refusals[0].find("no whole segment"), std::string::npos);

    // Outside both flashes, or across the end of one.
    auto outside = package({versionSegment("v"), segment(0x10000, 1), segment(0xFFC0, 2),
                            segment(0x7FFF0, 3), segment(0x100000, 4), segment(0xFFFF80, 5)})
                       .Check();
    ASSERT_EQ(outside.refusals.size(), 4u); // three shown, then how many more
    EXPECT_EQ(outside.refusals[0],
              "Segment 2 writes 0x010000-0x01007F, where the ECU has no flash memory (main "
              "flash 0x000000-0x00FFFF, PLD flash 0x080000-0x0FFFFF).");
    EXPECT_EQ(outside.refusals[3], "... and 2 more segments outside the ECU's memory.");

    // The same bytes twice: the same address, or overlapping segments.
    auto twice = package({versionSegment("v"), segment(0x0400, 1), segment(0x0400, 2),
                          segment(0x0500, 3), segment(0x0540, 4)})
                     .Check();
    ASSERT_EQ(twice.refusals.size(), 2u);
    EXPECT_EQ(twice.refusals[0], "Segments 2 and 3 both write 0x000400.");
    EXPECT_EQ(twice.refusals[1], "Segments 4 and 5 both write 0x000540 (they overlap).");

    // A settings file renamed: refused, as in the field.
    std::vector<uint8_t> settings(163840);
    for (size_t k = 0; k < settings.size(); ++k)
        settings[k] = static_cast<uint8_t>(k * 31 + k / 97);
    EXPECT_FALSE(FirmwarePackage::Parse(settings.data(), settings.size()).Check().refusals.empty());
}

TEST(FirmwarePackageCheck, DoubtsWhatARealPackageWouldNotDo) {
    auto noVersion = package({segment(0x0400, 1)}).Check();
    EXPECT_TRUE(noVersion.refusals.empty());
    ASSERT_EQ(noVersion.doubts.size(), 1u);
    EXPECT_NE(noVersion.doubts[0].find("no firmware version text"), std::string::npos);
    EXPECT_EQ(noVersion.Summary("p").back(), "  firmware version: none in the package");
    auto unreadable = package({segment(0x0000, 1)}).Check();
    ASSERT_EQ(unreadable.doubts.size(), 1u);
    EXPECT_NE(unreadable.doubts[0].find("not readable"), std::string::npos);
    // Its erase would take the serial number with it.
    for (uint32_t a : {0x1000u, 0x1080u}) {
        auto serial = package({versionSegment("v1"), segment(a, 1)}).Check();
        ASSERT_EQ(serial.doubts.size(), 1u) << a;
        EXPECT_NE(serial.doubts[0].find("serial number"), std::string::npos);
    }
    EXPECT_TRUE(package({versionSegment("v1"), segment(0x1100, 1)}).Check().doubts.empty());
}

// A stop asked for between segments: nothing more is sent, the device is not opened
// again, the boot loader keeps waiting, and the firmware counts as incomplete.
TEST_F(FlasherTest, AStoppedRunSendsNothingMoreAndLeavesTheBootLoaderWaiting) {
    ASSERT_EQ(connect(), 3);
    std::vector<FirmwarePackage::Segment> segments;
    for (uint32_t a = 0x2000; a < 0x3000; a += 0x80)
        segments.push_back(segment(a, static_cast<uint8_t>(a >> 7)));
    int written = 0;
    // A flasher whose view counts the writes, and which stops after five.
    struct Counting : RecordingView {
        int* written;
        void logLine(const std::string& l) override {
            RecordingView::logLine(l);
            if (l.rfind("Wrote ", 0) == 0)
                ++*written;
        }
    };
    Counting counting;
    counting.written = &written;
    FirmwareFlasher stopping(link, counting);
    stopping.pause = flasher.pause;
    stopping.stopRequested = [&] { return written >= 5; };
    stopping.SetPackage(package(segments), "p.zfw");
    EXPECT_FALSE(stopping.FirmwareIncomplete());
    flasher.Close();
    ASSERT_TRUE(stopping.OpenLink());
    int errors = 0;
    EXPECT_FALSE(stopping.ProgramAndVerify(errors));
    EXPECT_TRUE(stopping.Stopped());
    EXPECT_TRUE(stopping.FirmwareIncomplete());
    EXPECT_EQ(written, 5);
    EXPECT_EQ(counting.log.back(), FirmwareFlasher::kStoppedLine);
    EXPECT_FALSE(counting.logged("Finished writing the following file: \"p.zfw\""));
    const size_t sent = link.requests.size();
    const int opens = link.opens;
    stopping.Done(false);
    EXPECT_EQ(link.requests.size(), sent) << "no run command";
    EXPECT_EQ(link.opens, opens);
    EXPECT_TRUE(loader.Running());
    EXPECT_EQ(stopping.Handle(), 0u);

    // Programmed again to its end and verified: complete once more.
    stopping.stopRequested = nullptr;
    ASSERT_TRUE(stopping.OpenLink());
    EXPECT_TRUE(stopping.ProgramAndVerify(errors));
    EXPECT_EQ(errors, 0);
    EXPECT_FALSE(stopping.FirmwareIncomplete());
    EXPECT_TRUE(counting.logged("Finished writing the following file: \"p.zfw\""));
    EXPECT_EQ(counting.log.back(), "Verify finished (0 errors)");
}

TEST_F(FlasherTest, AVerifyWithDifferencesMarksTheFirmwareIncomplete) {
    ASSERT_EQ(connect(), 3);
    flasher.SetPackage(package({segment(0x3000, 1)}), "a.zfw");
    int errors = 0;
    ASSERT_TRUE(flasher.Verify(errors));
    EXPECT_GT(errors, 0);
    EXPECT_TRUE(flasher.FirmwareIncomplete());
    ASSERT_TRUE(flasher.ProgramAndVerify(errors));
    EXPECT_FALSE(flasher.FirmwareIncomplete());
}

} // namespace
