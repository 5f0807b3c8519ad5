#include "app/MainForm.h"
#include "app/QtPorts.h"
#include "emu/EcuBootLoader.h"
#include "emu/EcuSelfTests.h"
#include "emu/EngineProfile.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/NewConfiguration.h"
#include "files/ProgramFiles.h"
#include "files/SettingsFile.h"
#include "link/SerialUsbXpress.h"
#include "tables/TEditTable.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QHash>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// The screenshot mode draws without a display unless one is asked for.
void chooseOffscreenForScreenshots(int argc, char** argv) {
    for (int k = 1; k < argc; ++k)
        if (std::strcmp(argv[k], "--screenshot") == 0 && !std::getenv("QT_QPA_PLATFORM") &&
            !std::getenv("DISPLAY"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// The virtual ECU inside the program: it holds the default configuration (a new
// blank one when that file is missing), its time runs with the wall clock, and its
// inputs measure an engine that idles and revs.
class VirtualEcuSession {
public:
    VirtualEcuSession() : link_(ecu_) {
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
    zolmar::UsbXpress& link() { return link_; }

private:
    void advance() {
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
    QElapsedTimer clock_;
    qint64 ecuMs_ = 0;
    QTimer timer_;
};

} // namespace

int main(int argc, char** argv) {
    // The default configuration and the settings hints are looked for here first.
    zolmar::ProgramFiles::RememberStartDirectory();
    chooseOffscreenForScreenshots(argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZOLMAR"));
    QApplication::setOrganizationName(QStringLiteral("Helverdy"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("ZOLMAR: configure, tune and monitor the q7700x ECU."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("An ECU settings file (*.ecu) to open."),
                                 QStringLiteral("[FILE.ecu]"));
    QCommandLineOption open(QStringLiteral("open"), QStringLiteral("Open an ECU settings file."),
                            QStringLiteral("FILE.ecu"));
    QCommandLineOption virtualEcu(
        QStringLiteral("virtual-ecu"),
        QStringLiteral("Work with the virtual ECU inside ZOLMAR instead of a real one. It holds "
                       "q7700xDefaultConfig.ecu (from the current folder, else beside the "
                       "program), or a new blank configuration when there is none."));
    QCommandLineOption port(QStringLiteral("port"),
                            QStringLiteral("Connect to the ECU on this serial device, e.g. the "
                                           "pseudo-terminal that q7700x-emu prints."),
                            QStringLiteral("PATH"));
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("Save a picture of the main window and exit."),
                                  QStringLiteral("FILE.png"));
    QCommandLineOption advanced(QStringLiteral("advanced"),
                                QStringLiteral("Start in the advanced view (the diagram)."));
    QCommandLineOption page(QStringLiteral("page"), QStringLiteral("Show page N (1-128)."),
                            QStringLiteral("N"));
    QCommandLineOption afterMs(QStringLiteral("after-ms"),
                               QStringLiteral("With --screenshot: wait N milliseconds first."),
                               QStringLiteral("N"), QStringLiteral("500"));
    QCommandLineOption window(
        QStringLiteral("window"),
        QStringLiteral("With --screenshot: open this window half way through the wait and "
                       "picture it instead of the main window: new, import, properties, "
                       "wiring, voltages, injectors, flashing, inputs, periodangle, ignition, "
                       "injectoroutputs, auxoutputs, general, checklist, search or wizard."),
        QStringLiteral("NAME"));
    QCommandLineOption wizardTab(
        QStringLiteral("wizard-tab"),
        QStringLiteral("With --window wizard: show this tab, 1 Basic, 2 Tuning, 3 "
                       "Ignition/Injection, 4 Outputs."),
        QStringLiteral("N"), QStringLiteral("1"));
    QCommandLineOption table(QStringLiteral("table"),
                             QStringLiteral("Open the table editor on element N (its index); with "
                                            "--screenshot the picture is of the editor."),
                             QStringLiteral("N"));
    parser.addOptions(
        {open, virtualEcu, port, screenshot, advanced, page, afterMs, window, wizardTab, table});
    parser.process(application);
    if (parser.isSet(virtualEcu) && parser.isSet(port)) {
        std::fprintf(stderr, "zolmar: --virtual-ecu and --port exclude each other\n");
        return 2;
    }

    // The link: the virtual ECU, or the serial devices (the given one, those in
    // ZOLMAR_PORT, then the USB devices with the ECU's ids).
    std::unique_ptr<VirtualEcuSession> session;
    std::unique_ptr<zolmar::SerialUsbXpress> serial;
    zolmar::UsbXpress* usb = nullptr;
    if (parser.isSet(virtualEcu)) {
        session = std::make_unique<VirtualEcuSession>();
        usb = &session->link();
    } else {
        zolmar::SerialUsbXpress::Options options;
        options.explicitPaths = parser.isSet(port)
                                    ? std::vector<std::string>{parser.value(port).toStdString()}
                                    : zolmar::SerialUsbXpress::environmentPorts();
        serial = std::make_unique<zolmar::SerialUsbXpress>(options);
        usb = serial.get();
    }

    zolmar::gui::QtMessages messages;
    zolmar::gui::QtPreferences storedPrefs;
    zolmar::MemoryPreferences screenshotPrefs;
    bool shooting = parser.isSet(screenshot);
    // A screenshot neither reads nor changes the user's preferences, and shows no hints.
    if (shooting)
        screenshotPrefs.values["ShowStartHints"] = "DontShowHints";
    zolmar::Preferences& prefs =
        shooting ? static_cast<zolmar::Preferences&>(screenshotPrefs) : storedPrefs;
    if (parser.isSet(advanced))
        prefs.write("AdvancedView", "Advanced");
    zolmar::gui::QtFileDialogs dialogs;
    zolmar::gui::TMainForm form(messages, prefs, dialogs, usb);
    messages.setParent(&form);
    dialogs.setParent(&form);
    if (shooting) {
        form.setSplashAtStart(false);
        form.resize(1600, 900);
        form.show();
    } else {
        // Without a window manager a maximised window keeps its default size.
        if (QScreen* screen = QGuiApplication::primaryScreen())
            form.setGeometry(screen->availableGeometry());
        form.showMaximized();
    }

    QString file = parser.value(open);
    if (file.isEmpty() && !parser.positionalArguments().isEmpty())
        file = parser.positionalArguments().first();
    if (!file.isEmpty())
        form.fileCommands().openFile(file.toStdString(), true);
    if (parser.isSet(page))
        form.setCurrentPage(parser.value(page).toInt() - 1);

    const int tableElement = parser.isSet(table) ? parser.value(table).toInt() : -1;
    if (tableElement >= 0 && !shooting)
        form.openTableEditor(tableElement);
    if (shooting) {
        // The table is opened when the picture is due (after an ECU's configuration
        // has been read), then given a few polls to show its live values.
        QString target = parser.value(screenshot);
        // The window to picture: its command (menu caption) and its object name.
        static const QHash<QString, QPair<QString, QString>> kWindows = {
            {QStringLiteral("new"), {QStringLiteral("New ..."), QStringLiteral("TNewConfigForm")}},
            {QStringLiteral("import"),
             {QStringLiteral("Import/Merge Configuration"), QStringLiteral("TImportForm")}},
            {QStringLiteral("properties"),
             {QStringLiteral("Properties ..."), QStringLiteral("TPropertiesForm")}},
            {QStringLiteral("wiring"),
             {QStringLiteral("Wiring ..."), QStringLiteral("TWiringForm")}},
            {QStringLiteral("voltages"),
             {QStringLiteral("Analogue Voltages"), QStringLiteral("TAnaVoltsForm")}},
            {QStringLiteral("injectors"),
             {QStringLiteral("ECU Injector Test"), QStringLiteral("TInjectorTestForm")}},
            {QStringLiteral("flashing"),
             {QStringLiteral("Upgrade Package/Firmware"), QStringLiteral("TFlashingForm")}},
            {QStringLiteral("inputs"),
             {QStringLiteral("Inputs and Triggering"), QStringLiteral("TInputsForm")}},
            {QStringLiteral("periodangle"),
             {QStringLiteral("Period Angle Offset Calculator"),
              QStringLiteral("TPeriodAngleForm")}},
            {QStringLiteral("ignition"),
             {QStringLiteral("Ignition"), QStringLiteral("TIgnitionForm")}},
            {QStringLiteral("injectoroutputs"),
             {QStringLiteral("Injectors"), QStringLiteral("TInjectorsForm")}},
            {QStringLiteral("auxoutputs"),
             {QStringLiteral("Aux Outputs"), QStringLiteral("TAuxOutputsForm")}},
            {QStringLiteral("general"),
             {QStringLiteral("General"), QStringLiteral("TGeneralForm")}},
            {QStringLiteral("checklist"),
             {QStringLiteral("Setup Checklist ..."), QStringLiteral("TChecksForm")}},
            {QStringLiteral("search"),
             {QStringLiteral("Search for Element"), QStringLiteral("TSearchForm")}},
            {QStringLiteral("wizard"),
             {QStringLiteral("Setup Wizard"), QStringLiteral("TSetupWizard")}},
        };
        const int wait = parser.value(afterMs).toInt();
        const QString name = parser.value(window);
        if (!name.isEmpty() && !kWindows.contains(name)) {
            std::fprintf(stderr, "zolmar: no window called %s\n", qPrintable(name));
            return 2;
        }
        QString objectName = kWindows.value(name).second;
        if (name == QStringLiteral("wizard")) {
            // Opened directly, as New Complete does, whatever the link state allows.
            const int tab = parser.value(wizardTab).toInt() - 1;
            QTimer::singleShot(wait / 2, &form, [&form, tab] { form.openSetupWizard(tab); });
        } else if (!name.isEmpty()) {
            QString caption = kWindows.value(name).first;
            QTimer::singleShot(wait / 2, &form, [&form, caption] {
                if (QAction* a = form.action(caption))
                    a->trigger();
            });
        }
        QTimer::singleShot(wait, &form, [&form, tableElement, target, objectName] {
            QWidget* shot = &form;
            if (QWidget* shown =
                    objectName.isEmpty() ? nullptr : form.findChild<QWidget*>(objectName);
                shown && shown->isVisible())
                shot = shown;
            else if (tableElement >= 0 && form.openTableEditor(tableElement))
                shot = form.tableEditor();
            QTimer::singleShot(tableElement >= 0 ? 300 : 0, &form, [shot, target] {
                bool ok = shot->grab().save(target);
                QApplication::exit(ok ? 0 : 1);
            });
        });
    }
    return application.exec();
}
