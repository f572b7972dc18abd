#include "ui/frame/CommandLine.h"
#include "ui/frame/KelvarinApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvarin"));
    QApplication::setApplicationVersion(QStringLiteral(KELVARIN_VERSION));
    KelvarinApp app(ServerFromCommandLine(application), MessageBoxes::Mode::Interactive);
    app.Start();
    QApplication::exec();
    return app.Exit();
}
