#include "ui/frame/CommandLine.h"
#include "ui/frame/KelvarinApp.h"

#include <QApplication>
#include <iostream>

int main(int argc, char* argv[]) {
    using namespace kelvarin::gui;
    QApplication application(argc, argv);
    KelvarinApp::NameApplication();
    QApplication::setApplicationVersion(QStringLiteral(KELVARIN_VERSION));
    bool userLibrary = false;
    kelvarin::CertificateTrust trust;
    const std::optional<std::string> server =
        ServerFromCommandLine(QApplication::arguments(), std::cerr, &userLibrary, &trust);
    // A wrong address or certificate file is a usage error: nothing has
    // started, nothing is written.
    if (!server)
        return 2;
    KelvarinApp app(*server, MessageBoxes::Mode::Interactive, userLibrary, std::move(trust));
    if (!app.Start())
        return 1;
    QApplication::exec();
    return app.Exit();
}
