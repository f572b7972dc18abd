#include "ui/frame/CommandLine.h"
#include "ui/frame/KelvarinApp.h"

#include <QApplication>
#include <iostream>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvarin"));
    QApplication::setApplicationVersion(QStringLiteral(KELVARIN_VERSION));
    const std::optional<std::string> server =
        ServerFromCommandLine(QApplication::arguments(), std::cerr);
    // A wrong address is a usage error: nothing has started, nothing is written.
    if (!server)
        return 2;
    KelvarinApp app(*server, MessageBoxes::Mode::Interactive);
    app.Start();
    QApplication::exec();
    return app.Exit();
}
