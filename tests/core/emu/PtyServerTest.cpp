#include "emu/PtyServer.h"
#include "LinkTestSupport.h"
#include "link/ModbusDriver.h"
#include "link/SerialUsbXpress.h"
#include "link/SyncEngine.h"

#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace zolmar;
using namespace zolmar::emu;

namespace {

using Served = zolmar::test::ServedEcu;

TEST(PtyServer, TheDriverTalksToTheVirtualEcuOverAPseudoTerminal) {
    Served served(true);
    ASSERT_TRUE(served.opened);
    SerialUsbXpress usb({{served.server.Path()}, false});
    TModbusDriver driver(usb);
    std::string error;
    ASSERT_TRUE(driver.FindAndOpen(error)) << error;

    uint16_t status[101];
    ASSERT_TRUE(driver.ReadRegisters(0x2A000, 32, status, error)) << error;
    EXPECT_EQ(status[0], 'Q' << 8 | '7');
    const uint16_t words[3] = {0x0303, 0x1A0D, 0x1113}; // CR, Ctrl-C, XON, XOFF on the wire
    ASSERT_TRUE(driver.WriteRegisters(0x8002, 3, words, error)) << error;
    ASSERT_TRUE(driver.ReadRegisters(0x8002, 3, status, error)) << error;
    EXPECT_EQ(status[0], 0x0303);
    EXPECT_EQ(status[1], 0x1A0D);
    EXPECT_EQ(status[2], 0x1113);
    ASSERT_TRUE(driver.ReadRegisters(0x20000, 101, status, error)) << error;
    ASSERT_TRUE(driver.WriteRegister(0x1FFFE, 0, error)) << error;

    // The server keeps its end open: a client that closes and reopens finds the ECU.
    driver.Close();
    ASSERT_TRUE(driver.ReadRegisters(0, 2, status, error)) << error;
    EXPECT_EQ(status[0], 0x0400);

    served.ecu.Unplug();
    EXPECT_FALSE(driver.ReadRegisters(0, 2, status, error));
    EXPECT_EQ(error, "No response");
    served.ecu.Replug();
    EXPECT_TRUE(driver.ReadRegisters(0, 2, status, error)) << error;
    EXPECT_EQ(served.ecu.CommitCount(), 1);
    EXPECT_EQ(served.ecu.Committed()[0x8006], 0x13);
}

TEST(PtyServer, LineNoiseIsForgottenWhenTheLineGoesQuiet) {
    Served served;
    ASSERT_TRUE(served.opened);
    SerialUsbXpress usb({{served.server.Path()}, false});
    TModbusDriver driver(usb);
    std::string error;
    ASSERT_TRUE(driver.FindAndOpen(error)) << error;
    std::vector<uint8_t> damaged = zolmar::test::withCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x02});
    damaged[7] ^= 0x01;
    std::vector<uint8_t> tooLong = {0x01, 0x10, 0x00, 0x00, 0x00, 0x7F, 0xFE};
    tooLong.resize(260, 0x55);
    uint16_t words[2];
    for (const auto* noise : {&damaged, &tooLong}) {
        uint32_t written = 0;
        ASSERT_EQ(
            usb.Write(driver.Handle, noise->data(), static_cast<uint32_t>(noise->size()), written),
            UsbXpress::Success);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        EXPECT_TRUE(driver.ReadRegisters(0, 2, words, error)) << error;
    }
}

TEST(PtyServer, AFullReadThroughTheTerminalIsByteExact) {
    // The generated tables learn from random links: keep the constants still.
    Served served(false, false);
    ASSERT_TRUE(served.opened);
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    zolmar::test::makeConfiguration(*config, 250, 31);
    served.ecu.LoadConfiguration(*config);
    served.ecu.faults.corruptProbability = 0.02;

    SerialUsbXpress usb({{served.server.Path()}, false});
    auto pc = std::make_unique<tECU>(quiet);
    LinkObserver none;
    SyncEngine engine(*pc, usb, none);
    engine.StartUp();
    PollContext context;
    for (int i = 0; i < 500 && pc->LinkState != Link::Online; ++i)
        engine.PollCycle(context);
    ASSERT_EQ(pc->LinkState, Link::Online);
    EXPECT_EQ(zolmar::test::firstDifference(pc->Image, config->Image,
                                            zolmar::test::transferredRanges(*config)),
              -1);
}

} // namespace
