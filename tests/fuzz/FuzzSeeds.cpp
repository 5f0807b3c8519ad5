// The fuzzers' seed corpus, made as the tests make their data: configurations from the
// tests' generator and the shipped default, well-formed Modbus frames, packages, table
// exports, status blocks, boot-loader conversations and sysfs trees.
//
//   zolmar_fuzz_seeds OUTDIR    writes OUTDIR/<fuzzer>/seed-N and prints how many
#include "DiagramGenerator.h"
#include "LinkTestSupport.h"
#include "files/NewConfiguration.h"
#include "files/RestorePoints.h"
#include "files/SettingsFile.h"
#include "link/FirmwarePackage.h"
#include "link/ModbusDriver.h"
#include "model/ECU.h"
#include "model/Tables.h"
#include "tables/TableCsv.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace zolmar;
using namespace zolmar::test;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

int g_written = 0;

void seed(const fs::path& out, const std::string& fuzzer, const Bytes& bytes) {
    const fs::path dir = out / fuzzer;
    fs::create_directories(dir);
    const int n = static_cast<int>(std::distance(fs::directory_iterator(dir), {}));
    std::ofstream(dir / ("seed-" + std::to_string(n)), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    ++g_written;
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes withCrcBytes(Bytes frame) {
    const uint16_t crc = TModbusDriver::Crc16(frame.data(), static_cast<int>(frame.size()));
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

Bytes fileOf(const tECU& ecu) {
    return SettingsFile::fromImage(ecu);
}

// Configurations of every size the tests use, and the shipped default.
std::vector<Bytes> configurations() {
    SilentMessages quiet;
    std::vector<Bytes> files;
    for (int elements : {8, 120, 900, 2000, Layout::kMaxElements}) {
        auto ecu = std::make_unique<tECU>(quiet);
        makeConfiguration(*ecu, elements, static_cast<uint32_t>(elements));
        files.push_back(fileOf(*ecu));
    }
    auto blank = std::make_unique<tECU>(quiet);
    NewConfiguration::MakeBlank(*blank);
    files.push_back(fileOf(*blank));
    auto chains = std::make_unique<tECU>(quiet);
    GenerateBackwardChains(*chains, 7);
    files.push_back(fileOf(*chains));
    std::ifstream shipped(ZOLMAR_DEFAULT_CONFIG, std::ios::binary);
    files.emplace_back(std::istreambuf_iterator<char>(shipped), std::istreambuf_iterator<char>());
    return files;
}

// A status block: serial, learn reports into the constants and beyond, rates, version.
Bytes statusBlock(const std::string& serial, uint16_t learnAddress, uint16_t value) {
    Bytes b(64, 0);
    for (size_t k = 0; k < 32 && k < serial.size(); ++k)
        b[k] = static_cast<uint8_t>(serial[k]); // high byte first, two per word
    b[32] = static_cast<uint8_t>(learnAddress >> 8);
    b[33] = static_cast<uint8_t>(learnAddress & 0xFF);
    b[34] = static_cast<uint8_t>(value >> 8);
    b[35] = static_cast<uint8_t>(value & 0xFF);
    b[60] = 100;
    b[61] = 100;
    b[62] = 0x03;
    b[63] = 0x0C;
    return b;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zolmar_fuzz_seeds OUTDIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    const std::vector<Bytes> files = configurations();
    for (const Bytes& f : files)
        for (const char* fuzzer :
             {"fuzz_settings_file", "fuzz_page_render", "fuzz_diagram_evaluation",
              "fuzz_model_operations", "fuzz_editing"})
            seed(out, fuzzer, f);
    for (size_t k = 0; k + 1 < files.size(); ++k) {
        Bytes pair = files[k];
        pair.insert(pair.end(), files[k + 1].begin(), files[k + 1].end());
        seed(out, "fuzz_import_merge", pair);
        seed(out, "fuzz_comparison", pair);
    }
    {
        // A whole restore point of the default configuration, and its header alone.
        SilentMessages quiet;
        auto ecu = std::make_unique<tECU>(quiet);
        SettingsFile::toImage(*ecu, files.back());
        const fs::path folder = out / "restore-point-work";
        RestorePoints::Store store(folder.string());
        std::string error, path;
        if (store.Add(*ecu, "ecu:12345", RestorePoints::Reason::kSaved, 1, error, &path)) {
            std::ifstream in(path, std::ios::binary);
            Bytes point((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            seed(out, "fuzz_restore_point", point);
            point.resize(point.size() - SettingsFile::kFileSize);
            seed(out, "fuzz_restore_point", point);
        }
        fs::remove_all(folder);
    }

    // Modbus: replies to each transaction, requests of each function.
    for (int count : {1, 2, 32, 101}) {
        Bytes reply = {0x01, 0x03, static_cast<uint8_t>(2 * count)};
        for (int k = 0; k < 2 * count; ++k)
            reply.push_back(static_cast<uint8_t>(k * 7));
        Bytes in = {0, 0, 0, static_cast<uint8_t>(count - 1)};
        Bytes framed = withCrcBytes(reply);
        in.insert(in.end(), framed.begin(), framed.end());
        seed(out, "fuzz_modbus_reply", in);
    }
    for (uint8_t op : {1, 2}) {
        Bytes in = {op, 0, 4, 2};
        Bytes framed = withCrcBytes(
            {0x01, static_cast<uint8_t>(op == 1 ? 0x06 : 0x10), 0x00, 0x04, 0x00, 0x03});
        in.insert(in.end(), framed.begin(), framed.end());
        seed(out, "fuzz_modbus_reply", in);
    }
    for (const Bytes& request :
         {withCrcBytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x02}),
          withCrcBytes({0x01, 0x04, 0x50, 0x00, 0x00, 0x20}),
          withCrcBytes({0x01, 0x06, 0xFF, 0xFF, 0x00, 0x00}),
          withCrcBytes({0x01, 0x10, 0x02, 0x00, 0x00, 0x02, 0x04, 1, 2, 3, 4}),
          withCrcBytes({0x01, 0x90, 0x00, 0x10, 0x00, 0x01, 0x02, 0x41, 0x42})}) {
        Bytes in = {8};
        in.insert(in.end(), request.begin(), request.end());
        seed(out, "fuzz_modbus_request", in);
    }

    for (const char* script :
         {"create 1 2 3 1 Boost\nlink 0 0 0 0\nliteral 0 1 2.5\n",
          "create 3 4 4 2 Fuel\ntable-layout 0 0 500 50\ntable-insert 0 col 125\n",
          "rename 130 Renamed\nconst-word 0 0 -50\ndelete 0\noptimise balanced\n",
          "create 1 2 3 1 K\nrename 130 R\nundo\nredo\nundo\n"})
        seed(out, "fuzz_edit_script", text(script));
    seed(out, "fuzz_recovery_info", text("file: /home/tuner/engine.ecu\nsaved: 1765321200\n"));
    std::ifstream hints(ZOLMAR_SETTINGS_HINTS, std::ios::binary);
    seed(out, "fuzz_settings_hints",
         Bytes(std::istreambuf_iterator<char>(hints), std::istreambuf_iterator<char>()));

    // Firmware packages: a complete one with its version, one across both flashes.
    std::vector<FirmwarePackage::Segment> segments = sampleFirmware("q7700x firmware 3.14");
    seed(out, "fuzz_firmware_package", FirmwarePackage::Build(segments));
    segments.resize(2);
    seed(out, "fuzz_firmware_package", FirmwarePackage::Build(segments));

    // Tables: the CSV the editor writes, and a table's block.
    {
        SilentMessages quiet;
        auto ecu = std::make_unique<tECU>(quiet);
        NewConfiguration::MakeBlank(*ecu);
        int t2 = -1;
        int t3 = -1;
        ecu->CreateElement(ElementType::Table2D, 1, 1, "T2", 1, &t2);
        Tables::LayOut(*ecu, t2, {0, 500, 50}, nullptr);
        ecu->CreateElement(ElementType::Table3D, 1, 2, "T3", 1, &t3);
        Tables::AxisLayout h{0, 400, 50}, v{0, 300, 50};
        Tables::LayOut(*ecu, t3, h, &v);
        Bytes in2 = {0, 11, 1};
        Bytes csv2 = text(TableCsv::Export(*ecu, t2));
        in2.insert(in2.end(), csv2.begin(), csv2.end());
        seed(out, "fuzz_table_csv", in2);
        Bytes in3 = {1, 9, 7};
        Bytes csv3 = text(TableCsv::Export(*ecu, t3));
        in3.insert(in3.end(), csv3.begin(), csv3.end());
        seed(out, "fuzz_table_csv", in3);
        for (int which : {0, 1}) {
            const int table = which ? t3 : t2;
            Bytes block = {static_cast<uint8_t>(which), 2, 1, 0};
            for (int c = ecu->ElementConstOffset[table]; c < ecu->ElementConstOffset[table + 1];
                 ++c)
                block.push_back(ecu->ReadConstByte(c));
            seed(out, "fuzz_table_editor", block);
        }
    }

    // The onboard log and the scope: records of increasing words.
    {
        Bytes words;
        for (int k = 0; k < 600; ++k) {
            words.push_back(static_cast<uint8_t>(k * 50 & 0xFF));
            words.push_back(static_cast<uint8_t>((k * 50) >> 8 & 0x7F));
        }
        seed(out, "fuzz_onboard_log", words);
        seed(out, "fuzz_scope_trace", words);
    }

    // Log files of both kinds as the program writes them.
    seed(out, "fuzz_log_file",
         text("\"Time (s)\",\"A\",\"B\",\r\n0.000,1.02,----,\r\n0.050,-1.50,true,\r\n"));
    seed(out, "fuzz_log_file",
         text("Time (sec),A,B\r\n65.000,*2.00,0.08\r\n65.736,2.00,-0.50\r\n0.100,1,2"));

    // Status blocks as the engine reads them: the same serial, learn reports, another
    // serial; each cycle's reads carry the next block.
    {
        Bytes in = {0x02};
        for (int k = 0; k < 6; ++k) {
            Bytes b = statusBlock("Q7700X-EMU-00000001", k == 2 ? 0x0404 : 0, 150);
            in.insert(in.end(), b.begin(), b.end());
        }
        seed(out, "fuzz_status_block", in);
        Bytes other = {0x01};
        for (int k = 0; k < 6; ++k) {
            Bytes b = statusBlock(k < 3 ? "FIRST-ECU" : "OTHER-ECU", k == 1 ? 0x0300 : 0, 7);
            other.insert(other.end(), b.begin(), b.end());
        }
        seed(out, "fuzz_status_block", other);
    }

    // The boot loader's side of a good session: ping answers, reads with checksums,
    // erase and write acknowledgements.
    {
        Bytes in;
        auto reply = [&in](const Bytes& bytes) {
            in.push_back(static_cast<uint8_t>(bytes.size()));
            in.insert(in.end(), bytes.begin(), bytes.end());
        };
        auto readReply = [&reply](int n, uint8_t fill) {
            Bytes r(static_cast<size_t>(n), fill);
            uint8_t sum = static_cast<uint8_t>(n * fill);
            r.push_back(static_cast<uint8_t>(0x100 - sum));
            reply(r);
        };
        reply({});     // the application ignores the first ping
        reply({0x00}); // then the boot loader answers
        readReply(32, 0x41);
        readReply(128, 0x30);
        for (int s = 0; s < 3; ++s) {
            if (s == 0)
                reply({0x00}); // erase
            reply({0x00});     // write
        }
        for (int s = 0; s < 3; ++s)
            readReply(128, static_cast<uint8_t>(s * 17));
        reply({0x00}); // run
        seed(out, "fuzz_boot_loader_replies", in);
    }

    // Self-test results: a RAM test with errors and details, traces, charge times.
    {
        Bytes in = {0x0F, 0x00, 0x28};
        for (int k = 0; k < 70 * 25 + 16; ++k)
            in.push_back(static_cast<uint8_t>(k * 13));
        seed(out, "fuzz_self_tests", in);
        seed(out, "fuzz_self_tests", Bytes{0x00, 0x00, 0x00});
    }

    // Port discovery: two USB serial devices, one the ECU, and ZOLMAR_PORT paths.
    {
        Bytes in = {0x01};
        auto entry = [&in](uint8_t kind, const std::string& name, const std::string& ids) {
            in.push_back(kind);
            in.push_back(static_cast<uint8_t>(name.size() - 1));
            in.insert(in.end(), name.begin(), name.end());
            in.push_back(static_cast<uint8_t>(ids.size()));
            in.insert(in.end(), ids.begin(), ids.end());
        };
        entry(0x01, "a0", "10c484ba");
        entry(0x02, "b1", "04036001");
        entry(0x05, "c2", "");
        entry(0x09, "d3", "");
        const std::string ports = "ab:cd";
        in.insert(in.end(), ports.begin(), ports.end());
        seed(out, "fuzz_port_discovery", in);
    }
    std::printf("seeds: %d\n", g_written);
    return g_written > 0 ? 0 : 1;
}
