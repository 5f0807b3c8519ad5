#include "app/MainForm.h"
#include "app/QtPorts.h"
#include "files/ProgramFiles.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>

int main(int argc, char** argv) {
    // The default configuration and the settings hints are looked for here first.
    zolmar::ProgramFiles::RememberStartDirectory();
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
    parser.process(application);

    zolmar::gui::QtMessages messages;
    zolmar::gui::QtPreferences prefs;
    zolmar::gui::QtFileDialogs dialogs;
    zolmar::gui::TMainForm form(messages, prefs, dialogs);
    messages.setParent(&form);
    dialogs.setParent(&form);
    // Without a window manager a maximised window keeps its default size.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        form.setGeometry(screen->availableGeometry());
    form.showMaximized();
    if (!parser.positionalArguments().isEmpty())
        form.fileCommands().openFile(parser.positionalArguments().first().toStdString(), true);
    return application.exec();
}
