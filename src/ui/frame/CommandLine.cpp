#include "ui/frame/CommandLine.h"

#include "pipeline/Stages.h"

#include <QCommandLineParser>
#include <QCoreApplication>

std::string ServerFromCommandLine(const QCoreApplication& app, bool* userLibrary) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Kelvarin Downloader"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("The exchange's price server, for instance http://127.0.0.1:8080."),
        QStringLiteral("URL"));
    parser.addOption(server);
    const QCommandLineOption library(
        QStringLiteral("user-library"),
        QStringLiteral("Keep the library in the user's data folder (~/.local/share/Kelvarin) "
                       "instead of the current folder, as the desktop menu does."));
    parser.addOption(library);
    parser.process(app);
    if (userLibrary)
        *userLibrary = parser.isSet(library);
    if (parser.isSet(server))
        return parser.value(server).toStdString();
    const QByteArray fromEnvironment = qgetenv("KELVARIN_SERVER");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment.toStdString();
    return kelvarin::DefaultExchangeServer;
}
