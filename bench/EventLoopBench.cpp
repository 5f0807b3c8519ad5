// The longest time the main window's event loop waits, against q7700x-emu at the link's
// real pace: during an unplug with unsent edits, and during each self-test (with the ECU
// answering, and with the ECU gone just after the test was started). A 1 ms timer in the
// window's loop measures the longest gap between its ticks.
//
//   zolmar_bench_event_loop          (offscreen; prints one line per scenario: the
//                                     longest wait, and how long the scenario took)
#include "ChildProcess.h"
#include "TempDir.h"
#include "app/EcuJobRunner.h"
#include "app/MainForm.h"
#include "diagnostics/LogRetrieveForm.h"
#include "files/SettingsFile.h"
#include "link/SerialUsbXpress.h"
#include "ports/Preferences.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace zolmar;
using namespace zolmar::gui;
using namespace zolmar::test;

namespace {

// Answers every question Yes without a window, so that only the link can block.
class Answering : public Messages {
public:
    Answer show(Kind, const std::string&, Buttons buttons) override {
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
};

// Opens nothing; saves where it is told.
class NoDialogs : public FileDialogs {
public:
    std::string savePath;
    std::optional<std::string> askOpenFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> askSaveFile(const std::string&, const std::string&,
                                           const std::string&) override {
        return savePath;
    }
};

// The longest gap between ticks of a 1 ms timer while the loop runs for ms.
struct Probe {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    Probe() {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
    }
    void start() {
        clock.start();
        last = 0;
        longest = 0;
        timer.start();
    }
    qint64 stop() {
        timer.stop();
        total = clock.elapsed();
        return std::max(longest, total - last);
    }
    qint64 total = 0;
};

void runFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    ChildProcess emu;
    if (!emu.start({ZOLMAR_EMU, "--pty", "--realtime", "--config", ZOLMAR_DEFAULT_CONFIG}))
        return 1;
    const std::string port = emu.readLine(5000);
    SerialUsbXpress usb({{port}, false});
    Answering messages;
    MemoryPreferences prefs;
    prefs.values["ShowStartHints"] = "DontShowHints";
    NoDialogs dialogs;
    auto form = std::make_unique<TMainForm>(messages, prefs, dialogs, &usb);
    form->setSplashAtStart(false);
    form->show();
    Probe probe;
    probe.start();
    if (!waitFor([&] { return form->ecu().LinkState == Link::Online; }, 120000)) {
        std::fprintf(stderr, "the ECU was never read\n");
        return 1;
    }
    std::printf("%-48s %8lld ms\n", "start-up read (for comparison)", probe.stop());

    // An unplug with unsent edits: 400 scattered constants changed, then the ECU gone
    // for five seconds, then back.
    probe.start();
    for (int k = 0; k < 400; ++k)
        form->ecu().WriteConstByte((k * 7919) % 20000, static_cast<uint8_t>(k));
    runFor(100);
    emu.signal(SIGUSR1);
    runFor(5000);
    std::printf("%-48s %8lld ms\n", "unplugged with unsent edits (5 s)", probe.stop());
    probe.start();
    emu.signal(SIGUSR2);
    waitFor([&] { return form->engine().UnsentBytes() == 0 && form->ecu().EcuPresent; }, 60000);
    const qint64 resent = probe.stop();
    std::printf("%-48s %8lld ms   (%lld ms until committed)\n",
                "replugged, edits sent and committed", resent, probe.total);

    const char* tests[] = {"ECU Ram Test", "ECU Injector Test", "ECU Digital Input capacitor test",
                           "Calibrate Analog"};
    for (bool gone : {false, true}) {
        for (const char* test : tests) {
            runFor(300);
            waitFor([&] { return form->action(QString::fromUtf8(test))->isEnabled(); }, 20000);
            probe.start();
            QTimer::singleShot(0, [&] {
                if (gone)
                    emu.signal(SIGUSR1); // the ECU goes just as the test starts
                form->action(QString::fromUtf8(test))->trigger();
            });
            runFor(gone ? 200 : 50);
            waitFor([&] { return !form->jobRunner().active(); }, 300000);
            const qint64 longest = probe.stop();
            std::printf("%-48s %8lld ms   (the test took %lld ms)\n",
                        (std::string(test) + (gone ? ", ECU gone" : ", ECU answering")).c_str(),
                        longest, probe.total);
            if (gone) {
                emu.signal(SIGUSR2);
                waitFor([&] { return form->ecu().LinkState == Link::Online; }, 30000);
            }
        }
    }
    // The onboard log retrieved, with the ECU gone for three seconds in the middle.
    TempDir dir;
    dialogs.savePath = dir.path("log.csv");
    for (bool gone : {false, true}) {
        runFor(300);
        waitFor([&] { return form->action("Retrieve Log from ECU")->isEnabled(); }, 20000);
        probe.start();
        form->action("Retrieve Log from ECU")->trigger();
        TLogRetrieveProgBarForm* log = form->logRetrieveForm();
        log->SaveToClick();
        log->GoClick();
        if (gone) {
            runFor(300);
            emu.signal(SIGUSR1);
            runFor(3000);
            emu.signal(SIGUSR2);
        }
        waitFor([&] { return !log->retrieval().Busy(); }, 300000);
        const qint64 longest = probe.stop();
        std::printf("%-48s %8lld ms   (it took %lld ms)\n",
                    gone ? "onboard log retrieval, ECU gone for 3 s" : "onboard log retrieval",
                    longest, probe.total);
        log->hide();
    }
    form.reset();
    emu.signal(SIGTERM);
    emu.wait(10000);
    return 0;
}
