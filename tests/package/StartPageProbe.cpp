// Loaded with LD_PRELOAD into the installed desktop program, which knows
// nothing of it: presses the default button of every modal box of the
// start-up, then prints what the start page pane shows on stdout and closes
// the main window, so the program ends as a user would end it.
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <cstdio>

namespace {

QTextBrowser* StartPage() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* page = window->findChild<QTextBrowser*>(QStringLiteral("startPage")))
            return page;
    }
    return nullptr;
}

void Dismiss(QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box && box->defaultButton())
        box->defaultButton()->click();
    else if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}

void Probe() {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            Dismiss(modal);
            return;
        }
        QTextBrowser* page = StartPage();
        // The main window's event loop runs once no modal box is left.
        if (!page || !page->window()->isVisible())
            return;
        timer->stop();
        std::printf("source: %s\n%s\n", qPrintable(page->source().toLocalFile()),
                    qPrintable(page->toPlainText()));
        std::fflush(stdout);
        page->window()->close();
        timer->deleteLater();
    });
    timer->start(50);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(Probe)
