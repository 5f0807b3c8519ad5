// q7700x-emu: the virtual ECU as a program, serving on a pseudo-terminal.
#include "emu/EcuBootLoader.h"
#include "emu/EcuSelfTests.h"
#include "emu/PtyServer.h"
#include "emu/VirtualEcu.h"
#include "files/SettingsFile.h"
#include "model/Cp1252.h"
#include "model/ECU.h"
#include "simulator/SimulationArguments.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <sched.h>
#include <string>
#include <vector>

using namespace zolmar;

namespace {

std::atomic<bool> g_stop{false};
std::atomic<int> g_plug{0}; // 1 unplug, 2 replug, handled by the serving loop

extern "C" void onStop(int) {
    g_stop = true;
}
extern "C" void onUnplug(int) {
    g_plug = 1;
}
extern "C" void onReplug(int) {
    g_plug = 2;
}

const char* const kHelp =
    "q7700x-emu: a virtual q7700x ECU on a pseudo-terminal.\n"
    "\n"
    "Usage: q7700x-emu --pty [OPTIONS]\n"
    "\n"
    "Prints the path of its pseudo-terminal as the first line of standard output, then\n"
    "answers Modbus RTU requests on it (unit 1, functions 0x03, 0x04, 0x06, 0x10, 0x86,\n"
    "0x90) until SIGINT or SIGTERM. Point ZOLMAR at it with --port PATH or ZOLMAR_PORT.\n"
    "Written configuration bytes take effect when the command word 0x1FFFE is written.\n"
    "SIGUSR1 unplugs the ECU (it stops answering), SIGUSR2 plugs it in again.\n"
    "The self-tests answer: the RAM test (read 0x2B000), injector traces, the\n"
    "digital-input test and the analogue calibration (command word 0x1000+n, 0x2000,\n"
    "0x2001). Writing 0x5253 (\"RS\") to the command word restarts the ECU into its\n"
    "boot loader, which serves the flashing tool at 57600 baud until told \"G\".\n"
    "\n"
    "Options:\n"
    "  --pty                  serve on a new pseudo-terminal (the only mode)\n"
    "  --config FILE.ecu      start with this configuration (default: an empty one)\n"
    "  --serial TEXT          the serial number in the status block (at most 32 characters)\n"
    "  --drop P               drop each reply with probability P (0 to 1)\n"
    "  --corrupt P            change one byte of each reply with probability P (0 to 1)\n"
    "  --delay MS             send every reply MS milliseconds late\n"
    "  --delay MIN-MAX        send each reply between MIN and MAX milliseconds late\n"
    "  --seed N               seed of the fault generator (default 7700)\n"
    "  --realtime             pace replies to the link's 250000 baud, and serve the link\n"
    "                         at real-time scheduling priority where the system allows\n"
    "                         it (root or CAP_SYS_NICE), so that the PC's load delays\n"
    "                         replies no more than it would a real ECU's\n"
    "  --save-on-exit FILE.ecu  on exit, save the committed configuration there\n"
    "  --help                 this text\n"
    "\n"
    "The diagram: the ECU evaluates its committed configuration's diagram once per\n"
    "millisecond, with the simulator's input signals (all 0 until set). Tables learn\n"
    "into the ECU's constants and report each learnt cell in the status block.\n"
    "  --input \"CONTROL=VALUE\"  set a simulator control by its caption, e.g.\n"
    "                         --input \"RPM / 100=3000\" or --input \"Ana 1=25000\"\n"
    "  --set WORD=RAW         hold live word WORD (0-4095) at RAW before every pass\n"
    "  --speed N              N passes per millisecond (default 1, the ECU's rate)\n"
    "  --no-diagram           do not run the diagram (the live area stays as it is)\n";

int usage(const std::string& problem) {
    std::cerr << "q7700x-emu: " << problem << "\nSee q7700x-emu --help.\n";
    return 2;
}

bool parseProbability(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && value >= 0 && value <= 1;
}

bool parseUnsigned(const std::string& text, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, 10);
    return !text.empty() && text[0] != '-' && end != text.c_str() && *end == '\0';
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool pty = false;
    std::vector<std::string> controls;
    std::string config;
    std::string saveOnExit;
    emu::VirtualEcu ecu;
    emu::EcuSelfTests selfTests(ecu);
    emu::EcuBootLoader bootLoader(ecu);
    emu::PtyServer server(ecu);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            std::cout << kHelp;
            return 0;
        } else if (a == "--pty") {
            pty = true;
        } else if (a == "--realtime") {
            server.realtime = true;
        } else if (a == "--no-diagram") {
            ecu.Diagram().running = false;
        } else if (a == "--input") {
            if (!value(v))
                return usage("--input needs CONTROL=VALUE");
            controls.push_back(v);
        } else if (a == "--set") {
            int word = 0;
            uint16_t raw = 0;
            std::string problem;
            if (!value(v))
                return usage("--set needs WORD=RAW");
            if (!sim::SimulationArguments::ParseHeldWord(v, word, raw, problem))
                return usage(problem);
            ecu.Diagram().held.Hold(word, raw);
        } else if (a == "--speed") {
            long n = 0;
            if (!value(v) || !sim::SimulationArguments::ParseInteger(v, 1, 1000, n))
                return usage("--speed needs a whole number from 1 to 1000");
            ecu.Diagram().passesPerMs = static_cast<int>(n);
        } else if (a == "--config") {
            if (!value(config))
                return usage("--config needs a file");
        } else if (a == "--save-on-exit") {
            if (!value(saveOnExit))
                return usage("--save-on-exit needs a file");
        } else if (a == "--serial") {
            if (!value(v))
                return usage("--serial needs a text");
            if (v.size() > static_cast<size_t>(emu::EcuMap::kSerialLength))
                return usage("the serial number has at most 32 characters");
            ecu.SetSerial(v);
        } else if (a == "--drop" || a == "--corrupt") {
            double p = 0;
            if (!value(v) || !parseProbability(v, p))
                return usage(a + " needs a probability from 0 to 1");
            (a == "--drop" ? ecu.faults.dropProbability : ecu.faults.corruptProbability) = p;
        } else if (a == "--delay") {
            unsigned long low = 0;
            unsigned long high = 0;
            if (!value(v))
                return usage("--delay needs MS or MIN-MAX");
            const size_t dash = v.find('-');
            const std::string first = v.substr(0, dash);
            const std::string second = dash == std::string::npos ? first : v.substr(dash + 1);
            if (!parseUnsigned(first, low) || !parseUnsigned(second, high) || high < low ||
                high > 600000)
                return usage("--delay needs MS or MIN-MAX, whole milliseconds up to 600000");
            ecu.faults.delayMs = static_cast<uint32_t>(low);
            ecu.faults.delayMaxMs = static_cast<uint32_t>(high);
        } else if (a == "--seed") {
            unsigned long n = 0;
            if (!value(v) || !parseUnsigned(v, n) || n > 0xFFFFFFFFul)
                return usage(a + " needs a whole number");
            ecu.SeedFaults(static_cast<uint32_t>(n));
        } else {
            return usage("unknown option \"" + a + "\"");
        }
    }
    // The boot loader's serial number area holds the serial the options chose.
    bootLoader.SetSerial(ecu.Serial());
    if (!pty)
        return usage("--pty is required");

    SilentMessages quiet;
    auto image = std::make_unique<tECU>(quiet);
    std::string error;
    if (!config.empty()) {
        if (!SettingsFile::load(*image, config, error)) {
            std::cerr << "q7700x-emu: " << error << "\n";
            return 1;
        }
        ecu.LoadConfiguration(*image);
    }
    // Captions may name the channels of the configuration just loaded.
    for (const std::string& c : controls) {
        std::string caption;
        int position = 0;
        if (!sim::SimulationArguments::ParseControl(c, caption, position, error) ||
            !ecu.Diagram().SetInput(utf8ToCp1252(caption), position, ecu.DiagramMemory(), error))
            return usage(cp1252ToUtf8(error));
    }
    // Never let the diagram keep the link waiting: a pass burst gets 10 ms at most.
    ecu.Diagram().budgetMs = 10;
    if (!server.Open(error)) {
        std::cerr << "q7700x-emu: " << error << "\n";
        return 1;
    }

    std::signal(SIGINT, onStop);
    std::signal(SIGTERM, onStop);
    std::signal(SIGUSR1, onUnplug);
    std::signal(SIGUSR2, onReplug);
    std::signal(SIGPIPE, SIG_IGN);

    if (server.realtime) {
        // A real ECU answers whatever the PC is busy with. The diagram runs only in the
        // waits of paced replies and in bursts of at most budgetMs, so it cannot hold a
        // core. Refused: replies come as the system lets them.
        sched_param priority{};
        priority.sched_priority = 10;
        sched_setscheduler(0, SCHED_FIFO, &priority);
    }
    std::cout << server.Path() << std::endl;
    server.Run([&ecu] {
        int plug = g_plug.exchange(0);
        if (plug == 1)
            ecu.Unplug();
        else if (plug == 2)
            ecu.Replug();
        return !g_stop;
    });

    if (!saveOnExit.empty()) {
        ecu.StoreConfiguration(*image, true);
        if (!SettingsFile::save(*image, saveOnExit, error)) {
            std::cerr << "q7700x-emu: " << error << "\n";
            return 1;
        }
    }
    return 0;
}
