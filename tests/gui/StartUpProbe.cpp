// Loaded with LD_PRELOAD into a built or installed kelvarin, which knows
// nothing of it, to report on stdout what the start-up shows: the About box's
// picture and the main window's icon sizes when the About box comes up, then
// the start page pane's source and text once no modal box is left. It answers
// every modal box with its default button (the About box with OK) and ends by
// closing the main window, so the program ends as a user would end it.
#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <cstdio>

namespace {

QString SizeText(const QSize& size) {
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

QMainWindow* MainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<QMainWindow*>(widget))
            return window;
    }
    return nullptr;
}

void ReportAbout(const QWidget& about) {
    const auto* picture = about.findChild<QLabel*>(QStringLiteral("picture"));
    const QSize pictureSize = picture ? picture->pixmap().size() : QSize();
    QStringList iconSizes;
    if (const QMainWindow* window = MainWindow()) {
        for (const QSize& size : window->windowIcon().availableSizes())
            iconSizes << SizeText(size);
    }
    std::printf("picture %s\nicon %s\n", qPrintable(SizeText(pictureSize)),
                qPrintable(iconSizes.join(QLatin1Char(','))));
    std::fflush(stdout);
}

QTextBrowser* StartPage() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* page = window->findChild<QTextBrowser*>(QStringLiteral("startPage")))
            return page;
    }
    return nullptr;
}

void Dismiss(QWidget* modal) {
    if (modal->windowTitle() == QLatin1String("About Kelvarin"))
        ReportAbout(*modal);
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box && box->defaultButton())
        box->defaultButton()->click();
    else if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->accept();
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
