// zolmar-cli read and write against the virtual ECU served in this process.
#include "CliRunner.h"
#include "LinkTestSupport.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::test;

namespace {

// An ECU that answers its status block but refuses every read of the logic area, as
// one with another memory map would: the full read can never finish.
TEST(LinkCli, ATransferThatMakesNoProgressFailsInsteadOfWaitingForever) {
    ServedEcu served;
    ASSERT_TRUE(served.opened) << served.openError;
    served.ecu.AddHandler({0x08000, 0x13000, [](uint32_t, uint16_t&) { return false; }, nullptr});
    TempDir dir;
    std::string file = dir.path("never.ecu");
    CliResult read = runCli({"read", "--port", served.server.Path(), "--timeout", "0.5", file});
    EXPECT_EQ(read.code, 1);
    EXPECT_NE(read.err.find("zolmar-cli: the transfer made no progress for 0.5 seconds "
                            "(Packet shape error - 01 83 "),
              std::string::npos)
        << read.err;
    EXPECT_FALSE(std::filesystem::exists(file));
}

} // namespace
