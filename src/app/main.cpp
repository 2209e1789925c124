#include "app/MainWindow.h"
#include "platform/HomeFolders.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QStyleFactory>

#include <string_view>

namespace {
// Help and version only print, so they must work where there is no display: help2man runs
// them while the package is built, and people ask for help over ssh.
bool onlyPrints(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" || arg == "--version")
            return true;
    }
    return false;
}
} // namespace

int main(int argc, char** argv)
{
    if (onlyPrints(argc, argv) && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnholt"));
    QApplication::setApplicationVersion(QStringLiteral(VARNHOLT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("varnholt"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/varnholt.svg")));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Exports Messages, Notes and Voice Memos from a Mac home folder or an iPhone backup."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption home(
        QStringList{QStringLiteral("source"), QStringLiteral("home")},
        QStringLiteral("The folder to read: a Mac home folder or an iPhone or iPad backup folder "
                       "(default: your home folder)."),
        QStringLiteral("DIR"));
    parser.addOption(home);
    parser.process(app);

    varnholt::WindowEnvironment environment;
    environment.userHome = varnholt::currentUserHome();
    environment.sourceHome = environment.userHome;
    if (parser.isSet(home)) {
        const std::string given = varnholt::expandTilde(parser.value(home).toStdString(), environment.userHome);
        environment.sourceHome = QDir(QString::fromStdString(given)).absolutePath().toStdString();
    }

    varnholt::MainWindow window(std::move(environment));
    window.show();
    return QApplication::exec();
}
