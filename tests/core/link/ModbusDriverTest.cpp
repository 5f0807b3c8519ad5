#include "link/ModbusDriver.h"
#include "LinkTestSupport.h"
#include "ScriptedUsb.h"

#include <gtest/gtest.h>

using namespace zolmar;
using zolmar::test::ScriptedUsb;

namespace {

using Bytes = std::vector<uint8_t>;
using zolmar::test::withCrc;

struct DriverTest : ::testing::Test {
    ScriptedUsb usb;
    TModbusDriver driver{usb};
    std::string error;

    void SetUp() override { usb.devices.push_back({}); }
};

TEST(ModbusCrc, IsCrc16Modbus) {
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(TModbusDriver::Crc16(check, 9), 0x4B37);
    EXPECT_EQ(TModbusDriver::Crc16(check, 0), 0xFFFF);
}

TEST(ModbusDiscovery, NoDeviceAtAll) {
    ScriptedUsb usb;
    TModbusDriver driver(usb);
    std::string error = "stale";
    EXPECT_FALSE(driver.FindAndOpen(error));
    EXPECT_EQ(error, "Could not find ECU on USB chain (0 devices)");
    EXPECT_EQ(driver.Handle, 0u);
}

TEST(ModbusDiscovery, SkipsOtherDevicesAndTakesTheFirstEcu) {
    ScriptedUsb usb;
    usb.devices = {
        {"10C4", "84BA", UsbXpress::DeviceNotFound, UsbXpress::Success},  // cannot open
        {"10C4", "84BA", UsbXpress::Success, UsbXpress::InvalidBaudrate}, // no 250000
        {"0403", "6001", UsbXpress::Success, UsbXpress::Success},         // another vendor
        {"10C4", "EA60", UsbXpress::Success, UsbXpress::Success},         // another product
        {"10c4", "84ba", UsbXpress::Success, UsbXpress::Success},         // lower case: the ECU
        {"10C4", "84BA", UsbXpress::Success, UsbXpress::Success},
    };
    TModbusDriver driver(usb);
    std::string error = "stale";
    ASSERT_TRUE(driver.FindAndOpen(error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(driver.Handle, 104u);
    // Every device opened and rejected was closed again; the one that failed to open was not.
    std::vector<std::string> expected = {
        "open 0",    "open 1", "baud 250000", "close 101", "open 2", "baud 250000",
        "close 102", "open 3", "baud 250000", "close 103", "open 4", "baud 250000"};
    EXPECT_EQ(usb.calls, expected);
}

TEST(ModbusDiscovery, CountsTheDevicesItRejectedAndClosesAnOpenHandleFirst) {
    ScriptedUsb usb;
    usb.devices = {{"10C4", "84BA", UsbXpress::Success, UsbXpress::Success}};
    TModbusDriver driver(usb);
    std::string error;
    ASSERT_TRUE(driver.FindAndOpen(error));
    usb.devices = {{"1234", "84BA"}, {"10C4", "0001"}};
    usb.calls.clear();
    EXPECT_FALSE(driver.FindAndOpen(error));
    EXPECT_EQ(usb.calls.front(), "close 100");
    EXPECT_EQ(error, "Could not find ECU on USB chain (2 devices)");
    EXPECT_EQ(driver.Handle, 0u);
}

TEST_F(DriverTest, ReadFramesAndTimeouts) {
    uint16_t words[125];
    ASSERT_TRUE(driver.FindAndOpen(error));
    usb.replies.push_back(withCrc({0x01, 0x03, 0x04, 0x12, 0x34, 0xAB, 0xCD}));
    ASSERT_TRUE(driver.ReadRegisters(0, 2, words, error)) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(usb.written.back(), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B}));
    EXPECT_EQ(words[0], 0x1234); // high byte first on the wire
    EXPECT_EQ(words[1], 0xABCD);
    EXPECT_EQ(usb.readTimeout, 40u);
    EXPECT_EQ(usb.writeTimeout, 0xFFFFFFFFu);

    driver.ReadRegisters(0x2A000, 32, words, error);
    EXPECT_EQ(usb.written.back(), (Bytes{0x01, 0x04, 0x50, 0x00, 0x00, 0x20, 0xE0, 0xD2}));
    EXPECT_EQ(error, "No response");

    driver.ReadRegisters(0x3FFE0, 1, words, error);
    EXPECT_EQ(usb.written.back()[1], 0x04);
    EXPECT_EQ(usb.written.back()[2], 0xFF);
    EXPECT_EQ(usb.written.back()[3], 0xF0);

    // An odd address reads the register that holds the byte below it.
    driver.ReadRegisters(0x00123, 1, words, error);
    EXPECT_EQ(usb.written.back()[3], 0x91);

    driver.ReadRegisters(0x2B0FE, 1, words, error);
    EXPECT_EQ(usb.readTimeout, 10000u);
    driver.ReadRegisters(0x2B100, 1, words, error);
    EXPECT_EQ(usb.readTimeout, 40u);
}

TEST_F(DriverTest, OneTransactionIsFlushSendReadFlush) {
    uint16_t words[2];
    ASSERT_TRUE(driver.FindAndOpen(error));
    usb.calls.clear();
    usb.replies.push_back(withCrc({0x01, 0x03, 0x04, 0, 1, 0, 2}));
    ASSERT_TRUE(driver.ReadRegisters(0x10, 2, words, error));
    std::vector<std::string> expected = {"flush rx", "write", "timeouts 40", "read 9", "flush rx"};
    EXPECT_EQ(usb.calls, expected);
}

TEST_F(DriverTest, WriteFramesAndTimeouts) {
    ASSERT_TRUE(driver.FindAndOpen(error));
    usb.replies.push_back(withCrc({0x01, 0x06, 0xFF, 0xFF, 0x00, 0x00}));
    EXPECT_TRUE(driver.WriteRegister(0x1FFFE, 0, error)) << error;
    EXPECT_EQ(usb.written.back(), (Bytes{0x01, 0x06, 0xFF, 0xFF, 0x00, 0x00, 0x89, 0xEE}));
    EXPECT_EQ(usb.readTimeout, 25000u);

    usb.replies.push_back(withCrc({0x01, 0x86, 0x80, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(driver.WriteRegister(0x30000, 0, error)) << error;
    EXPECT_EQ(usb.written.back(), (Bytes{0x01, 0x86, 0x80, 0x00, 0x00, 0x00, 0xA1, 0xD4}));
    EXPECT_EQ(usb.readTimeout, 500u);

    for (uint32_t slow : {0x08000u, 0x18000u, 0x20000u}) {
        driver.WriteRegister(slow, 1, error);
        EXPECT_EQ(usb.readTimeout, 8000u) << slow;
    }
    driver.WriteRegister(0x08002, 1, error);
    EXPECT_EQ(usb.readTimeout, 500u);

    // An acknowledgement must echo this request's register and value, or count.
    usb.replies.push_back(withCrc({0x01, 0x06, 0x12, 0x34, 0x56, 0x78}));
    EXPECT_FALSE(driver.WriteRegister(0x00401, 0xBEEF, error));
    EXPECT_EQ(error, "Echo mismatch - 1234 5678 vs 0200 BEEF");
    EXPECT_EQ(usb.written.back(), withCrc({0x01, 0x06, 0x02, 0x00, 0xBE, 0xEF}));
    usb.replies.push_back(withCrc({0x01, 0x06, 0x02, 0x00, 0xBE, 0xEE}));
    EXPECT_FALSE(driver.WriteRegister(0x00401, 0xBEEF, error)) << "the value differs";
    usb.replies.push_back(withCrc({0x01, 0x10, 0x02, 0x00, 0x00, 0x03}));
    const uint16_t three[3] = {1, 2, 3};
    EXPECT_FALSE(driver.WriteRegisters(0x00400, 2, three, error)) << "the count differs";
    usb.replies.push_back(withCrc({0x01, 0x10, 0x02, 0x00, 0x00, 0x02}));
    EXPECT_TRUE(driver.WriteRegisters(0x00400, 2, three, error)) << error;
}

TEST_F(DriverTest, AfterAFailureTheLineIsDrainedUntilQuietBeforeTheNextRequest) {
    uint16_t words[2];
    ASSERT_TRUE(driver.FindAndOpen(error));
    usb.replies.push_back(withCrc({0x01, 0x03, 0x04, 0, 1, 0, 2}));
    ASSERT_TRUE(driver.ReadRegisters(0x10, 2, words, error));
    usb.calls.clear();
    // Success: the next request goes straight out.
    usb.replies.push_back(withCrc({0x01, 0x03, 0x04, 0, 1, 0, 2}));
    ASSERT_TRUE(driver.ReadRegisters(0x10, 2, words, error));
    EXPECT_EQ(usb.calls.front(), "flush rx");

    // A failure (here nothing came): before the next request, reads of the drain gap
    // until one brings nothing.
    EXPECT_FALSE(driver.ReadRegisters(0x10, 2, words, error));
    usb.calls.clear();
    usb.replies.push_back(withCrc({0x01, 0x03, 0x04, 0, 1, 0, 2}));
    ASSERT_TRUE(driver.ReadRegisters(0x10, 2, words, error)) << error;
    std::vector<std::string> expected = {"timeouts 20", "read 256", "flush rx", "write",
                                         "timeouts 40", "read 9",   "flush rx"};
    EXPECT_EQ(usb.calls, expected);

    // A reply that fails its checks leaves the line suspect too; so does a wrong echo.
    usb.replies.push_back(withCrc({0x01, 0x03, 0x02, 0, 1}));
    EXPECT_FALSE(driver.ReadRegisters(0x10, 2, words, error));
    usb.calls.clear();
    usb.replies.push_back(withCrc({0x01, 0x06, 0x00, 0x08, 0x00, 0x07}));
    EXPECT_FALSE(driver.WriteRegister(0x10, 0x0006, error));
    EXPECT_EQ(usb.calls.front(), "timeouts 20");
    usb.calls.clear();
    usb.replies.push_back(withCrc({0x01, 0x06, 0x00, 0x08, 0x00, 0x06}));
    EXPECT_TRUE(driver.WriteRegister(0x10, 0x0006, error)) << error;
    EXPECT_EQ(usb.calls.front(), "timeouts 20");
}

TEST_F(DriverTest, BlockWriteFrames) {
    ASSERT_TRUE(driver.FindAndOpen(error));
    const uint16_t words[3] = {0x0102, 0x0304, 0xA0B0};
    usb.replies.push_back(withCrc({0x01, 0x10, 0x00, 0x08, 0x00, 0x03}));
    EXPECT_TRUE(driver.WriteRegisters(0x11, 3, words, error)) << error;
    EXPECT_EQ(usb.written.back(), withCrc({0x01, 0x10, 0x00, 0x08, 0x00, 0x03, 0x06, 0x01, 0x02,
                                           0x03, 0x04, 0xA0, 0xB0}));
    EXPECT_EQ(usb.calls.back(), "flush rx");
    usb.replies.push_back(withCrc({0x01, 0x90, 0x00, 0x10, 0x00, 0x02}));
    EXPECT_TRUE(driver.WriteRegisters(0x20020, 2, words, error)) << error;
    EXPECT_EQ(usb.written.back()[1], 0x90);
    EXPECT_EQ(usb.written.back()[3], 0x10);
    EXPECT_EQ(usb.readTimeout, 500u);

    // The largest frames fit the 256-byte buffer.
    std::vector<uint16_t> many(123, 0x5A5A);
    EXPECT_FALSE(driver.WriteRegisters(0x100, 123, many.data(), error));
    EXPECT_EQ(usb.written.back().size(), 255u);
    EXPECT_EQ(usb.written.back()[6], 246);
}

TEST_F(DriverTest, ReplyFailuresHaveTheirTexts) {
    uint16_t words[4] = {7, 7, 7, 7};
    ASSERT_TRUE(driver.FindAndOpen(error));

    EXPECT_FALSE(driver.ReadRegisters(0, 2, words, error));
    EXPECT_EQ(error, "No response");

    Bytes corrupt = withCrc({0x01, 0x03, 0x04, 0, 1, 0, 2});
    corrupt[4] ^= 0x10;
    usb.replies.push_back(corrupt);
    EXPECT_FALSE(driver.ReadRegisters(0, 2, words, error));
    EXPECT_EQ(error, "Bad CRC");
    EXPECT_EQ(usb.written.size(), 2u); // no retry inside the driver

    usb.replies.push_back({0x01});
    EXPECT_FALSE(driver.ReadRegisters(0, 2, words, error));
    EXPECT_EQ(error, "Bad CRC");

    // A complete reply for one word where two were asked.
    usb.replies.push_back(withCrc({0x01, 0x03, 0x02, 0xAB, 0xCD}));
    EXPECT_FALSE(driver.ReadRegisters(0, 2, words, error));
    EXPECT_EQ(error, "Packet shape error - 01 03 AB (2 vs 4)");

    usb.replies.push_back(withCrc({0x02, 0x03, 0x04, 0x11, 0, 0, 0}));
    EXPECT_FALSE(driver.ReadRegisters(0, 2, words, error));
    EXPECT_EQ(error, "Packet shape error - 02 03 11 (4 vs 4)");

    usb.replies.push_back(withCrc({0x01, 0x04, 0x04, 0x22, 0, 0, 0}));
    EXPECT_FALSE(driver.ReadRegisters(0, 2, words, error));
    EXPECT_EQ(error, "Packet shape error - 01 04 22 (4 vs 4)");

    // Two bytes pass an empty CRC check only if they are FF FF; still the wrong shape.
    usb.replies.push_back({0xFF, 0xFF});
    EXPECT_FALSE(driver.ReadRegisters(0, 2, words, error));
    EXPECT_EQ(error, "Packet shape error - FF FF 00 (-3 vs 4)");

    for (uint16_t w : words)
        EXPECT_EQ(w, 7) << "a failed read leaves the destination alone";
}

TEST_F(DriverTest, WriteRepliesOfTheWrongShapeFail) {
    ASSERT_TRUE(driver.FindAndOpen(error));
    usb.replies.push_back(withCrc({0x01, 0x83, 0x02}));
    EXPECT_FALSE(driver.WriteRegister(0x100, 1, error));
    EXPECT_EQ(error, "Packet shape error - 01 83 02 (5 vs 8 bytes)");

    usb.replies.push_back(withCrc({0x07, 0x06, 0x00, 0x80, 0x00, 0x01}));
    EXPECT_FALSE(driver.WriteRegister(0x100, 1, error));
    EXPECT_EQ(error, "Packet shape error - 07 06 00 (8 vs 8 bytes)");

    // In the second bank an exception reply carries the acknowledgement's code.
    usb.replies.push_back(withCrc({0x01, 0x86, 0x02}));
    EXPECT_FALSE(driver.WriteRegister(0x20000, 1, error));
    EXPECT_FALSE(error.empty());

    usb.replies.push_back(withCrc({0x01, 0x10, 0x00, 0x00, 0x00, 0x01}));
    const uint16_t w[2] = {1, 2};
    EXPECT_FALSE(driver.WriteRegisters(0x20000, 2, w, error)); // 0x90 expected
    EXPECT_EQ(error, "Packet shape error - 01 10 00 (8 vs 8 bytes)");

    usb.replies.push_back({0x01, 0x06, 0x00, 0x80, 0x00, 0x01, 0x00, 0x00});
    EXPECT_FALSE(driver.WriteRegister(0x100, 1, error));
    EXPECT_EQ(error, "Bad CRC");
}

TEST_F(DriverTest, CountsOutsideTheBufferAreRefusedUnsent) {
    uint16_t words[126] = {};
    ASSERT_TRUE(driver.FindAndOpen(error));
    for (int n : {0, -1, 126}) {
        EXPECT_FALSE(driver.ReadRegisters(0, n, words, error));
        EXPECT_FALSE(error.empty());
    }
    for (int n : {0, 124}) {
        EXPECT_FALSE(driver.WriteRegisters(0, n, words, error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(usb.written.empty());

    usb.replies.push_back(Bytes(255, 0x01));
    EXPECT_FALSE(driver.ReadRegisters(0, 125, words, error)); // the largest reply fits
    EXPECT_EQ(usb.calls[usb.calls.size() - 2], "read 255");
}

TEST_F(DriverTest, ATransportClaimingMoreThanAskedCannotOverflow) {
    uint16_t words[1];
    ASSERT_TRUE(driver.FindAndOpen(error));
    usb.reportExtra = 1000;
    usb.replies.push_back(withCrc({0x01, 0x03, 0x02, 0x12, 0x34}));
    EXPECT_TRUE(driver.ReadRegisters(0, 1, words, error)) << error;
    EXPECT_EQ(words[0], 0x1234);
}

TEST_F(DriverTest, SendOpensOnItsOwnAndRediscoversAfterAWriteError) {
    uint16_t words[1];
    // Not open yet: the first transaction runs discovery.
    usb.replies.push_back(withCrc({0x01, 0x03, 0x02, 0, 9}));
    EXPECT_TRUE(driver.ReadRegisters(0, 1, words, error)) << error;
    EXPECT_EQ(usb.calls.front(), "open 0");

    usb.writeStatus.push_back(UsbXpress::WriteError);
    usb.calls.clear();
    EXPECT_FALSE(driver.ReadRegisters(0, 1, words, error));
    EXPECT_EQ(error, "Send/recv error");
    std::vector<std::string> expected = {"flush rx", "write", "close 100", "open 0", "baud 250000"};
    EXPECT_EQ(usb.calls, expected);
    EXPECT_EQ(driver.Handle, 100u);

    usb.writeStatus.push_back(UsbXpress::WriteError);
    usb.devices.clear();
    EXPECT_FALSE(driver.WriteRegister(0, 1, error));
    EXPECT_EQ(error, "Could not find ECU on USB chain (0 devices)");
    EXPECT_EQ(driver.Handle, 0u);

    // Other write statuses count as sent: the lost frame shows as no response.
    usb.devices.push_back({});
    usb.writeStatus.push_back(UsbXpress::WriteTimedOut);
    EXPECT_FALSE(driver.WriteRegister(0, 1, error));
    EXPECT_EQ(error, "No response");

    driver.Close();
    EXPECT_EQ(driver.Handle, 0u);
    usb.devices.clear();
    EXPECT_FALSE(driver.ReadRegisters(0, 1, words, error));
    EXPECT_EQ(error, "Could not find ECU on USB chain (0 devices)");
}

} // namespace
