#include "ZolmarBuild.h"
#include "app/AppIcon.h"
#include "app/MainForm.h"
#include "app/QtPorts.h"
#include "app/StartOptions.h"
#include "app/Version.h"
#include "app/WindowMemory.h"
#include "emu/EcuBootLoader.h"
#include "emu/EcuSelfTests.h"
#include "emu/EngineProfile.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/CompareForm.h"
#include "files/NewConfiguration.h"
#include "files/ProgramFiles.h"
#include "files/Recovery.h"
#include "files/SettingsFile.h"
#include "link/FlashingForm.h"
#include "link/LockedUsbXpress.h"
#include "link/SerialUsbXpress.h"
#include "link/SyncEngine.h"
#include "model/Cp1252.h"
#include "tables/TEditTable.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// The desktop entry, icon and metadata are installed under this name.
constexpr const char* kDesktopId = "com.helverdy.zolmar";

// A screenshot waits on nobody: a message goes to stderr and the program ends with
// exit code 1 instead of the picture.
void reportAndQuit(const zolmar::RecordingMessages::Entry& entry) {
    std::string text = zolmar::cp1252ToUtf8(entry.text);
    std::string shown;
    for (char c : text)
        if (c != '\r')
            shown += c;
    std::fprintf(stderr, "zolmar: the screenshot was stopped by this message:\n%s\n",
                 shown.c_str());
    QTimer::singleShot(0, [] { QApplication::exit(1); });
}

// The virtual ECU inside the program: it holds the default configuration (a new
// blank one when that file is missing), its time runs with the wall clock, and its
// inputs measure an engine that idles and revs. ECU jobs talk to it from their own
// thread: its time and its link share one lock.
class VirtualEcuSession {
public:
    VirtualEcuSession() : link_(ecu_), locked_(link_, mutex_) {
        zolmar::SilentMessages quiet;
        auto image = std::make_unique<zolmar::tECU>(quiet);
        std::string error;
        if (!zolmar::NewConfiguration::LoadComplete(*image, error)) {
            std::fprintf(stderr, "zolmar: %s\n", error.c_str());
            zolmar::NewConfiguration::MakeBlank(*image);
        }
        ecu_.LoadConfiguration(*image);
        // A burst of passes after a stall never keeps the link waiting long.
        ecu_.Diagram().budgetMs = 10;
        clock_.start();
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { advance(); });
        timer_.start();
    }
    zolmar::UsbXpress& link() { return locked_; }

private:
    void advance() {
        std::lock_guard lock(mutex_);
        qint64 now = clock_.elapsed();
        if (now > ecuMs_) {
            zolmar::emu::EngineProfile::Apply(ecu_.Diagram(), ecu_.DiagramMemory(), ecu_.NowMs());
            ecu_.Advance(static_cast<uint32_t>(now - ecuMs_));
            ecuMs_ = now;
        }
    }

    zolmar::emu::VirtualEcu ecu_;
    zolmar::emu::EcuSelfTests selfTests_{ecu_};
    zolmar::emu::EcuBootLoader bootLoader_{ecu_};
    zolmar::emu::VirtualEcuLink link_;
    std::mutex mutex_;
    zolmar::LockedUsbXpress locked_;
    QElapsedTimer clock_;
    qint64 ecuMs_ = 0;
    QTimer timer_;
};

} // namespace

int main(int argc, char** argv) {
    // The default configuration and the settings hints are looked for here first.
    zolmar::ProgramFiles::RememberStartDirectory();
    zolmar::Version::SetDescription(ZOLMAR_BUILD_DESCRIPTION);

    // Everything about the command line is settled before a window system is needed,
    // so --help, --version and usage errors work without a display.
    zolmar::StartOptions options;
    std::string problem;
    if (!zolmar::StartCommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc), options,
                                         problem)) {
        std::fprintf(stderr, "zolmar: %s\nTry 'zolmar --help'.\n", problem.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(zolmar::StartCommandLine::HelpText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("zolmar %s\n", zolmar::Version::Text().c_str());
        return 0;
    }
    const bool shooting = !options.screenshot.empty();
    // The screenshot mode draws without a display unless one is asked for.
    if (shooting && !std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
        !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    // The window system sees its own options only; they live as long as it does.
    std::vector<std::string> qtArgs{argv[0]};
    qtArgs.insert(qtArgs.end(), options.windowSystem.begin(), options.windowSystem.end());
    std::vector<char*> qtArgv;
    for (auto& a : qtArgs)
        qtArgv.push_back(a.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArgs.size());
    QApplication application(qtArgc, qtArgv.data());
    QApplication::setApplicationName(QStringLiteral("ZOLMAR"));
    QApplication::setOrganizationName(QStringLiteral("Helverdy"));
    QApplication::setApplicationVersion(QString::fromStdString(zolmar::Version::Text()));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(kDesktopId));
    QApplication::setWindowIcon(zolmar::gui::appIcon());

    // The link: the virtual ECU, or the serial devices (the given one, those in
    // ZOLMAR_PORT, then the USB devices with the ECU's ids).
    std::unique_ptr<VirtualEcuSession> session;
    std::unique_ptr<zolmar::SerialUsbXpress> serial;
    zolmar::UsbXpress* usb = nullptr;
    if (options.virtualEcu) {
        session = std::make_unique<VirtualEcuSession>();
        usb = &session->link();
    } else {
        zolmar::SerialUsbXpress::Options ports;
        ports.explicitPaths = !options.port.empty() ? std::vector<std::string>{options.port}
                                                    : zolmar::SerialUsbXpress::environmentPorts();
        serial = std::make_unique<zolmar::SerialUsbXpress>(ports);
        usb = serial.get();
    }

    zolmar::gui::QtMessages boxes;
    zolmar::RecordingMessages reported;
    reported.onShow = reportAndQuit;
    zolmar::Messages& messages =
        shooting ? static_cast<zolmar::Messages&>(reported) : static_cast<zolmar::Messages&>(boxes);
    zolmar::gui::QtPreferences storedPrefs;
    zolmar::MemoryPreferences screenshotPrefs;
    // A screenshot neither reads nor changes the user's preferences, and shows no hints.
    if (shooting)
        screenshotPrefs.values["ShowStartHints"] = "DontShowHints";
    zolmar::Preferences& prefs =
        shooting ? static_cast<zolmar::Preferences&>(screenshotPrefs) : storedPrefs;
    if (options.advanced)
        prefs.write("AdvancedView", "Advanced");
    zolmar::gui::QtFileDialogs dialogs;
    zolmar::gui::TMainForm form(messages, prefs, dialogs, usb);
    boxes.setParent(&form);
    dialogs.setParent(&form);
    zolmar::gui::WindowMemory memory(prefs);
    if (shooting) {
        // Nor does it leave restore points in the user's data folder.
        form.setRestorePointsKept(false);
        form.setSplashAtStart(false);
        form.resize(1600, 900);
        form.show();
    } else {
        // The main window comes back where it was, maximised the first time.
        memory.remember(form, true);
        memory.rememberLongLivedWindows(form);
        if (memory.restore(form)) {
            form.show();
        } else {
            // Without a window manager a maximised window keeps its default size.
            if (QScreen* screen = QGuiApplication::primaryScreen())
                form.setGeometry(screen->availableGeometry());
            form.showMaximized();
        }
    }

    // Unsaved work is copied to the user's data folder; a copy a crashed or killed run
    // left is offered back first.
    bool recovered = false;
    if (!shooting) {
        form.setRecoveryFolder(QString::fromStdString(zolmar::Recovery::DefaultFolder()));
        recovered = form.offerRecovery();
    }

    if (recovered) {
        // The recovered work stays on screen; a file named on the command line waits.
    } else if (!options.file.empty() && options.fileIsFirmware()) {
        // The window is modal: the package is loaded once it is open.
        const std::string package = options.file;
        QTimer::singleShot(0, &form,
                           [&form, package] { form.flashingForm()->LoadPackage(package); });
        form.action(QStringLiteral("Upgrade Package/Firmware"))->trigger();
    } else if (options.file.size() > 4 &&
               QString::fromStdString(options.file)
                   .endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
        form.openLogViewer(options.file);
    } else if (!options.file.empty()) {
        form.fileCommands().openFile(options.file, true);
    }
    if (options.page >= 0)
        form.setCurrentPage(options.page);
    if (!options.compare.empty())
        form.compareWithPath(options.compare);

    const int tableElement = options.table;
    if (tableElement >= 0 && !shooting && !form.openTableEditor(tableElement))
        std::fprintf(stderr, "zolmar: --table: element %d is no 2D or 3D table\n", tableElement);
    if (shooting) {
        // The table is opened when the picture is due (after an ECU's configuration
        // has been read), then given a few polls to show its live values.
        const QString target = QString::fromStdString(options.screenshot);
        const int wait = options.afterMs;
        QString objectName;
        for (const auto& w : zolmar::StartCommandLine::PicturedWindows()) {
            if (options.window != w.name)
                continue;
            objectName = QString::fromUtf8(w.objectName);
            if (options.window == "wizard") {
                // Opened directly, as New Complete does, whatever the link state allows.
                const int tab = options.wizardTab;
                QTimer::singleShot(wait / 2, &form, [&form, tab] { form.openSetupWizard(tab); });
                continue;
            }
            const QString caption = QString::fromUtf8(w.command);
            // From half way through the wait, the command is given as soon as it is
            // available (an ECU's window needs the ECU online first).
            auto* opener = new QTimer(&form);
            opener->setInterval(100);
            QObject::connect(opener, &QTimer::timeout, &form, [&form, caption, objectName, opener] {
                QWidget* shown = form.findChild<QWidget*>(objectName);
                if (shown && shown->isVisible()) {
                    opener->stop();
                    return;
                }
                if (QAction* a = form.action(caption); a && a->isEnabled())
                    a->trigger();
            });
            QTimer::singleShot(wait / 2, opener, qOverload<>(&QTimer::start));
        }
        auto take = [&form, tableElement, target, objectName] {
            QWidget* shot = &form;
            if (objectName.isEmpty() && tableElement < 0 && form.compareForm()->isVisible()) {
                shot = form.compareForm();
            } else if (QWidget* shown =
                           objectName.isEmpty() ? nullptr : form.findChild<QWidget*>(objectName);
                       shown && shown->isVisible()) {
                shot = shown;
            } else if (!objectName.isEmpty()) {
                std::fprintf(stderr, "zolmar: --window: the window did not open (its command "
                                     "is not available now)\n");
                QApplication::exit(1);
                return;
            } else if (tableElement >= 0) {
                if (!form.openTableEditor(tableElement)) {
                    std::fprintf(stderr, "zolmar: --table: element %d is no 2D or 3D table\n",
                                 tableElement);
                    QApplication::exit(1);
                    return;
                }
                shot = form.tableEditor();
            }
            QTimer::singleShot(tableElement >= 0 ? 300 : 0, &form, [shot, target] {
                if (!shot->grab().save(target)) {
                    std::fprintf(stderr, "zolmar: --screenshot: could not write %s\n",
                                 qPrintable(target));
                    QApplication::exit(1);
                    return;
                }
                QApplication::exit(0);
            });
        };
        // A picture of the virtual ECU's configuration waits, past the wait asked
        // for, until the full read (with its read-back) has ended and the link has
        // been online for a second, so that the live values have come in; for a
        // minute at most: a busy machine reads more slowly.
        auto* due = new QTimer(&form);
        due->setInterval(100);
        auto waited = std::make_shared<QElapsedTimer>();
        auto online = std::make_shared<QElapsedTimer>();
        const bool awaitRead = options.virtualEcu;
        QObject::connect(due, &QTimer::timeout, &form,
                         [&form, due, take, waited, online, awaitRead] {
                             if (awaitRead && waited->elapsed() < 60000) {
                                 if (form.ecu().LinkState != zolmar::Link::Online) {
                                     online->invalidate();
                                     return;
                                 }
                                 if (!online->isValid())
                                     online->start();
                                 if (online->elapsed() < 1000)
                                     return;
                             }
                             due->stop();
                             take();
                         });
        QTimer::singleShot(wait, due, [due, waited] {
            waited->start();
            due->start();
        });
    }
    return application.exec();
}
