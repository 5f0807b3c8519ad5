// The Modbus code against independent peers: the driver against libmodbus's RTU server,
// the virtual ECU against a libmodbus master and against mbpoll.
#include "ChildProcess.h"
#include "LinkTestSupport.h"
#include "TempDir.h"
#include "emu/PtyServer.h"
#include "link/ModbusDriver.h"
#include "link/SerialUsbXpress.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#ifdef ZOLMAR_HAVE_LIBMODBUS
#include <modbus.h>
#endif

using namespace zolmar;
using zolmar::test::ChildProcess;
using zolmar::test::onPath;
using zolmar::test::runProgram;
using zolmar::test::TempDir;

namespace {

#ifdef ZOLMAR_HAVE_LIBMODBUS

// Two pseudo-terminals joined by socat, like a null-modem cable.
struct Cable {
    Cable() {
        a = dir.path("a");
        b = dir.path("b");
        started = socat.start({"socat", "pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b});
        for (int i = 0; i < 300 && !(std::filesystem::exists(a) && std::filesystem::exists(b)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~Cable() {
        socat.signal(SIGTERM);
        socat.wait(2000);
    }
    bool ready() const {
        return started && std::filesystem::exists(a) && std::filesystem::exists(b);
    }
    TempDir dir;
    ChildProcess socat;
    std::string a;
    std::string b;
    bool started = false;
};

// libmodbus's RTU server on one end of the cable, in a thread of the test.
struct LibmodbusServer {
    explicit LibmodbusServer(const std::string& path) {
        ctx = modbus_new_rtu(path.c_str(), 115200, 'N', 8, 1);
        map = modbus_mapping_new(0, 0, 0x10000, 0x10000);
        if (ctx == nullptr || map == nullptr || modbus_set_slave(ctx, 1) != 0 ||
            modbus_connect(ctx) != 0)
            return;
        modbus_set_indication_timeout(ctx, 0, 50000);
        running = true;
        thread = std::thread([this] {
            uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
            while (!stop) {
                int n = modbus_receive(ctx, query);
                if (n > 0)
                    modbus_reply(ctx, query, n, map);
            }
        });
    }
    ~LibmodbusServer() {
        stop = true;
        if (thread.joinable())
            thread.join();
        if (map)
            modbus_mapping_free(map);
        if (ctx) {
            modbus_close(ctx);
            modbus_free(ctx);
        }
    }
    modbus_t* ctx = nullptr;
    modbus_mapping_t* map = nullptr;
    std::atomic<bool> stop{false};
    std::thread thread;
    bool running = false;
};

// The read time-out is 40 ms; socat and a busy machine may miss it now and then, so a
// transaction that found no response is tried again, as the poll cycle would.
template <typename F> bool withPatience(F transaction, std::string& error) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (transaction())
            return true;
        if (error != "No response")
            return false;
    }
    return false;
}

TEST(Interop, DriverAgainstLibmodbusServer) {
    if (!onPath("socat"))
        GTEST_SKIP() << "socat is not installed";
    Cable cable;
    ASSERT_TRUE(cable.ready());
    LibmodbusServer server(cable.b);
    ASSERT_TRUE(server.running);
    for (int r = 0; r < 0x10000; ++r) {
        server.map->tab_registers[r] = static_cast<uint16_t>(r * 3 + 1);
        server.map->tab_input_registers[r] = static_cast<uint16_t>(0xFFFF - r);
    }

    SerialUsbXpress usb({{cable.a}, false});
    TModbusDriver driver(usb);
    std::string error;
    ASSERT_TRUE(driver.FindAndOpen(error)) << error;
    uint16_t words[125];

    ASSERT_TRUE(withPatience([&] { return driver.ReadRegisters(0x200, 125, words, error); }, error))
        << error;
    for (int i = 0; i < 125; ++i)
        ASSERT_EQ(words[i], static_cast<uint16_t>((0x100 + i) * 3 + 1)) << i;
    ASSERT_TRUE(withPatience([&] { return driver.ReadRegisters(0x2A001, 4, words, error); }, error))
        << error;
    EXPECT_EQ(words[0], 0xFFFF - 0x5000);
    EXPECT_EQ(words[3], 0xFFFF - 0x5003);

    ASSERT_TRUE(driver.WriteRegister(0x1FFFE, 0xA55A, error)) << error;
    EXPECT_EQ(server.map->tab_registers[0xFFFF], 0xA55A);
    const uint16_t block[4] = {0x0D0A, 0x0311, 0x1300, 0xFFFF};
    ASSERT_TRUE(driver.WriteRegisters(0x00400, 4, block, error)) << error;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(server.map->tab_registers[0x200 + i], block[i]);

    // A standard server knows no writes to input registers (it drops the frames): such a
    // write must fail, never pass for acknowledged.
    EXPECT_FALSE(driver.WriteRegister(0x20002, 1, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(driver.WriteRegisters(0x20002, 2, block, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(server.map->tab_input_registers[0x0001], 0xFFFF - 1);
}

using zolmar::test::ServedEcu;

TEST(Interop, VirtualEcuAgainstLibmodbusMaster) {
    ServedEcu served;
    ASSERT_TRUE(served.opened);
    served.ecu.SetSerial("INTEROP-1");
    modbus_t* ctx = modbus_new_rtu(served.server.Path().c_str(), 115200, 'N', 8, 1);
    ASSERT_NE(ctx, nullptr);
    modbus_set_slave(ctx, 1);
    modbus_set_response_timeout(ctx, 1, 0);
    ASSERT_EQ(modbus_connect(ctx), 0);
    uint16_t words[125];

    ASSERT_EQ(modbus_read_registers(ctx, 0, 2, words), 2) << modbus_strerror(errno);
    EXPECT_EQ(words[0], 0x0400);
    EXPECT_EQ(words[1], 0x0001);
    ASSERT_EQ(modbus_read_input_registers(ctx, 0x5000, 32, words), 32) << modbus_strerror(errno);
    EXPECT_EQ(words[0], 'I' << 8 | 'N');
    EXPECT_EQ(words[4], '1' << 8);

    ASSERT_EQ(modbus_write_register(ctx, 0x0200, 0x1234), 1) << modbus_strerror(errno);
    EXPECT_EQ(served.ecu.ReadWord(0x400), 0x1234);
    const uint16_t block[3] = {7, 8, 9};
    ASSERT_EQ(modbus_write_registers(ctx, 0x4000, 3, block), 3) << modbus_strerror(errno);
    ASSERT_EQ(modbus_read_registers(ctx, 0x4000, 3, words), 3);
    EXPECT_EQ(words[2], 9);
    ASSERT_EQ(modbus_read_registers(ctx, 0x0100, 125, words), 125);
    ASSERT_EQ(modbus_write_register(ctx, 0xFFFF, 0), 1);
    EXPECT_EQ(served.ecu.CommitCount(), 1);

    EXPECT_EQ(modbus_read_input_registers(ctx, 0xFFF0, 17, words), -1);
    EXPECT_EQ(errno, EMBXILADD);
    EXPECT_EQ(modbus_write_bit(ctx, 0, 1), -1);
    EXPECT_EQ(errno, EMBXILFUN);
    modbus_close(ctx);
    modbus_free(ctx);
}

#else

TEST(Interop, LibmodbusPeers) {
    GTEST_SKIP() << "libmodbus-dev is not installed";
}

#endif // ZOLMAR_HAVE_LIBMODBUS

// mbpoll, a master built on its own, against the q7700x-emu program.
TEST(Interop, VirtualEcuProgramAgainstMbpoll) {
    if (!onPath("mbpoll"))
        GTEST_SKIP() << "mbpoll is not installed";
    ChildProcess emu;
    ASSERT_TRUE(emu.start({ZOLMAR_EMU, "--pty", "--serial", "MBPOLL"}));
    std::string port = emu.readLine(5000);
    ASSERT_FALSE(port.empty()) << emu.err;
    const std::vector<std::string> common = {"mbpoll", "-m", "rtu", "-b", "115200", "-P", "none",
                                             "-a",     "1",  "-0",  "-1", "-o",     "2"};
    auto mbpoll = [&](std::vector<std::string> extra) {
        std::vector<std::string> argv = common;
        argv.insert(argv.end(), extra.begin(), extra.end());
        return runProgram(argv, 20000);
    };
    auto status = mbpoll({"-t", "3:hex", "-r", "20480", "-c", "3", port});
    EXPECT_EQ(status.code, 0) << status.out << status.err;
    EXPECT_NE(status.out.find("[20480]: \t0x4D42"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("[20482]: \t0x4C4C"), std::string::npos) << status.out;

    auto write = mbpoll({"-t", "4", "-r", "512", port, "4660", "22136"});
    EXPECT_EQ(write.code, 0) << write.out << write.err;
    auto back = mbpoll({"-t", "4:hex", "-r", "512", "-c", "2", port});
    EXPECT_NE(back.out.find("[512]: \t0x1234"), std::string::npos) << back.out;
    EXPECT_NE(back.out.find("[513]: \t0x5678"), std::string::npos) << back.out;

    emu.signal(SIGTERM);
    EXPECT_EQ(emu.wait(5000), 0) << emu.err;
}

} // namespace
