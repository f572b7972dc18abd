#include "ui/frame/CommandLine.h"

#include "net/ServerAddress.h"
#include "pipeline/Stages.h"

#include <QCommandLineParser>
#include <ostream>

namespace kelvarin::gui {

std::optional<std::string> ServerFromCommandLine(const QStringList& arguments, std::ostream& err,
                                                 bool* userLibrary, TransferSettings* transfer) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Kelvarin Downloader"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
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
    const QCommandLineOption cacert(
        QStringLiteral("cacert"),
        QStringLiteral("Trust only the certificate authorities in this PEM file for https:// "
                       "servers (default: $CURL_CA_BUNDLE, else $SSL_CERT_DIR, else "
                       "$SSL_CERT_FILE, else the system's trust store)."),
        QStringLiteral("FILE"));
    parser.addOption(cacert);
    const QCommandLineOption connections(
        QStringLiteral("connections"),
        QStringLiteral("Archive transfers Download keeps under way at once, 1 to 16 (default: %1).")
            .arg(DefaultConnections),
        QStringLiteral("N"));
    parser.addOption(connections);
    // A missing --server value is the one other error; the address check
    // below refuses the empty address it leaves.
    parser.parse(arguments);
    for (const QString& name : parser.unknownOptionNames())
        err << "kelvarin: unknown option '" << name.toStdString() << "' ignored\n";
    if (parser.isSet(version))
        parser.showVersion();
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp();
    if (userLibrary)
        *userLibrary = parser.isSet(library);

    std::string address = DefaultExchangeServer;
    if (parser.isSet(server))
        address = parser.value(server).toStdString();
    else if (const QByteArray fromEnvironment = qgetenv("KELVARIN_SERVER");
             !fromEnvironment.isEmpty())
        address = fromEnvironment.toStdString();
    std::string error;
    std::optional<std::string> checked = CheckServerAddress(address, error);
    if (!checked) {
        err << "kelvarin: " << error << '\n';
        return checked;
    }
    CertificateTrust chosen = CertificateTrustFromEnvironment();
    if (parser.isSet(cacert)) {
        chosen = {.caFile = parser.value(cacert).toStdString()};
        if (!CheckCertificateFile(chosen.caFile, error)) {
            err << "kelvarin: " << error << '\n';
            return std::nullopt;
        }
    }
    int count = DefaultConnections;
    if (parser.isSet(connections)) {
        bool number = false;
        const QString text = parser.value(connections);
        count = text.toInt(&number);
        if (!number || count < MinConnections || count > MaxConnections) {
            err << "kelvarin: --connections takes a number from " << MinConnections << " to "
                << MaxConnections << ", not \"" << text.toStdString() << "\"\n";
            return std::nullopt;
        }
    }
    if (transfer) {
        transfer->trust = std::move(chosen);
        transfer->connections = count;
    }
    return checked;
}

} // namespace kelvarin::gui
