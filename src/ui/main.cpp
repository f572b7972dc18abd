#include "ui/frame/CommandLine.h"
#include "ui/frame/KelvarinApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    KelvarinApp::NameApplication();
    QApplication::setApplicationVersion(QStringLiteral(KELVARIN_VERSION));
    bool userLibrary = false;
    const std::string server = ServerFromCommandLine(application, &userLibrary);
    KelvarinApp app(server, MessageBoxes::Mode::Interactive, userLibrary);
    if (!app.Start())
        return 1;
    QApplication::exec();
    return app.Exit();
}
