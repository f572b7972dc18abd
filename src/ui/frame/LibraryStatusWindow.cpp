#include "ui/frame/LibraryStatusWindow.h"

#include "pipeline/LibraryStatus.h"
#include "pipeline/MemoryList.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QThreadPool>
#include <QVBoxLayout>

namespace kelvarin::gui {

LibraryStatusWindow::LibraryStatusWindow(const WorkingFolders& folders,
                                         std::function<std::vector<std::string>()> remoteItems,
                                         QWidget* parent)
    : QDialog(parent), m_folders(folders), m_remoteItems(std::move(remoteItems)),
      m_text(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("libraryStatus"));
    setWindowTitle(QStringLiteral("Library status"));
    setModal(false);
    m_text->setObjectName(QStringLiteral("statusText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* refresh =
        buttons->addButton(QStringLiteral("Refresh"), QDialogButtonBox::ActionRole);
    connect(refresh, &QPushButton::clicked, this, &LibraryStatusWindow::Refresh);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    resize(640, 420);
}

void LibraryStatusWindow::Refresh() {
    show();
    raise();
    activateWindow();
    m_text->setPlainText(QStringLiteral("Reading the folders..."));
    const int reading = ++m_readings;
    // Copies, taken here on the GUI thread: the worker touches nothing the
    // form may change meanwhile.
    MemoryList remote;
    for (const std::string& item : m_remoteItems())
        remote.Add(item);
    QPointer<LibraryStatusWindow> window(this);
    QThreadPool::globalInstance()->start(
        [window, reading, folders = m_folders, remote = std::move(remote)] {
            const LibraryStatus status =
                ReadLibraryStatus(folders, remote.Count() > 0 ? &remote : nullptr);
            const QString text = QString::fromStdString(StatusText(status));
            // Handed to the application object, which outlives the window:
            // only the GUI thread may ask whether the window is still there.
            QMetaObject::invokeMethod(
                qApp,
                [window, reading, text] {
                    if (window)
                        window->ShowText(text, reading);
                },
                Qt::QueuedConnection);
        });
}

void LibraryStatusWindow::ShowText(const QString& text, int reading) {
    if (reading == m_readings)
        m_text->setPlainText(text);
}

} // namespace kelvarin::gui
