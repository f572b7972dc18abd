#include "ui/frame/CommandLine.h"

#include "pipeline/Stages.h"

#include <QCommandLineParser>
#include <QCoreApplication>

std::string ServerFromCommandLine(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Kelvarin Downloader"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("The exchange's price server, for instance http://127.0.0.1:8080."),
        QStringLiteral("URL"));
    parser.addOption(server);
    parser.process(app);
    if (parser.isSet(server))
        return parser.value(server).toStdString();
    const QByteArray fromEnvironment = qgetenv("KELVARIN_SERVER");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment.toStdString();
    return kelvarin::DefaultExchangeServer;
}
