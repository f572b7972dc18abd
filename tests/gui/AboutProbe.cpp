// Loaded into the built kelvarin with LD_PRELOAD by ResourcesTest: once the
// About box is up, prints what its picture and the main window's icon hold,
// then ends the program at once.

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

QString SizeText(const QSize& size) {
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

QWidget* AboutBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle() == QLatin1String("About Kelvarin"))
            return widget;
    }
    return nullptr;
}

QMainWindow* MainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<QMainWindow*>(widget))
            return window;
    }
    return nullptr;
}

void Report(QWidget& about) {
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
    std::_Exit(0);
}

// Runs while QApplication is being built: the timer starts from the first
// event loop, the About box's own.
void StartProbe() {
    QMetaObject::invokeMethod(
        qApp,
        [] {
            auto* timer = new QTimer(qApp);
            int ticks = 0;
            QObject::connect(timer, &QTimer::timeout, [ticks]() mutable {
                if (QWidget* about = AboutBox())
                    Report(*about);
                if (++ticks > 1500) {
                    std::puts("no About box");
                    std::fflush(stdout);
                    std::_Exit(1);
                }
            });
            timer->start(20);
        },
        Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(StartProbe)
