#include "app/MainForm.h"
#include "app/QtPorts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <cstring>

namespace {

// The screenshot mode draws without a display unless one is asked for.
void chooseOffscreenForScreenshots(int argc, char** argv) {
    for (int k = 1; k < argc; ++k)
        if (std::strcmp(argv[k], "--screenshot") == 0 && !std::getenv("QT_QPA_PLATFORM") &&
            !std::getenv("DISPLAY"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

} // namespace

int main(int argc, char** argv) {
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
    parser.addOptions({open, screenshot, advanced, page, afterMs});
    parser.process(application);

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
    zolmar::gui::TMainForm form(messages, prefs, dialogs);
    messages.setParent(&form);
    dialogs.setParent(&form);
    if (shooting) {
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

    if (shooting) {
        QString target = parser.value(screenshot);
        QTimer::singleShot(parser.value(afterMs).toInt(), &form, [&form, target] {
            bool ok = form.grab().save(target);
            QApplication::exit(ok ? 0 : 1);
        });
    }
    return application.exec();
}
