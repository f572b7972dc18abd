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
    kelvarin::TransferSettings transfer;
    const std::optional<std::string> server =
        ServerFromCommandLine(QApplication::arguments(), std::cerr, &userLibrary, &transfer);
    // A wrong address, certificate file or number of connections is a usage
    // error: nothing has started, nothing is written.
    if (!server)
        return 2;
    KelvarinApp app(*server, MessageBoxes::Mode::Interactive, userLibrary, std::move(transfer));
    if (!app.Start())
        return 1;
    QApplication::exec();
    return app.Exit();
}
