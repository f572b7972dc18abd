#include "ui/frame/MainFrame.h"

#include "pipeline/FrontEnd.h"
#include "ui/form/ControlForm.h"
#include "ui/form/DialogUnits.h"
#include "ui/form/MessageBoxes.h"
#include "ui/frame/CheckWindow.h"
#include "ui/frame/LibraryStatusWindow.h"
#include "ui/frame/LockIndicators.h"
#include "ui_AboutBox.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QUrl>
#include <algorithm>

namespace kelvarin::gui {

// The start page pane: a local HTML page beside the settings file.
class StartPage : public QTextBrowser {
    Q_OBJECT
public:
    explicit StartPage(QWidget* parent);

    // Shows the page at `path`, or a page of our own that names the missing file.
    void Load(const std::string& path);
};

// "About Kelvarin": the program's picture and an OK button.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent);

private:
    Ui::AboutBox m_ui;
};

PaneHeights SplitPaneHeights(int frameHeight) {
    const int bottom = std::min(frameHeight * 7 / 100, 100);
    const int top = std::max(frameHeight - bottom, 200);
    return {top, bottom};
}

StartPage::StartPage(QWidget* parent) : QTextBrowser(parent) {
    setOpenExternalLinks(true);
}

void StartPage::Load(const std::string& path) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString file = QString::fromStdString(path);
    if (QFileInfo(file).isFile()) {
        const QUrl url = QUrl::fromLocalFile(file);
        // Setting the same source again would keep the page as first read.
        if (source() == url)
            reload();
        else
            setSource(url);
    } else {
        clearHistory();
        setHtml(QStringLiteral("<h2>Start page not found</h2>"
                               "<p>There is no start page at <b>%1</b>.</p>"
                               "<p>Put a <tt>kv_index.htm</tt> there to see it here.</p>")
                    .arg(file.toHtmlEscaped()));
    }
    QApplication::restoreOverrideCursor();
}

// Like the control form, the .ui file holds dialog units.
AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    m_ui.setupUi(this);
    const DialogUnits units(font());
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setGeometry(units.ToPixels(child->geometry()));
    setFixedSize(units.ToPixels(QRect(QPoint(0, 0), size())).size());
    m_ui.okButton->raise();
}

MainFrame::MainFrame(WorkingFolders& folders, std::string server, TransferSettings transfer,
                     MessageBoxes& messages)
    : m_folders(folders), m_messages(messages), m_splitter(new QSplitter(Qt::Vertical, this)),
      m_form(
          new ControlForm(folders, std::move(server), std::move(transfer), messages, m_splitter)),
      m_startPage(new StartPage(m_splitter)) {
    setWindowIcon(QIcon(QStringLiteral(":/kelvarin/kelvarin.png")));
    m_form->setObjectName(QStringLiteral("controlForm"));
    m_startPage->setObjectName(QStringLiteral("startPage"));
    m_splitter->addWidget(m_form);
    m_splitter->addWidget(m_startPage);
    // The split comes from the window's size before it is first shown; after
    // that the form keeps its height and the start page takes the rest.
    const PaneHeights heights = SplitPaneHeights(frameGeometry().height());
    m_splitter->setSizes({heights.top, heights.bottom});
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setChildrenCollapsible(true);
    setCentralWidget(m_splitter);

    CreateMenu();
    CreateStatusBar();
    CreateAccelerators();
    connect(m_form, &ControlForm::RunEnded, this, &MainFrame::OnRunEnded);
    connect(m_form, &ControlForm::CauseShown, this, &MainFrame::ShowCause);
}

MainFrame::~MainFrame() = default;

void MainFrame::CreateMenu() {
    // The blank item is there only to hold its place in the bar.
    menuBar()->addAction(QStringLiteral(" "));
    QMenu* library = menuBar()->addMenu(QStringLiteral("Library"));
    QAction* status = library->addAction(QStringLiteral("Status..."));
    status->setObjectName(QStringLiteral("statusAction"));
    connect(status, &QAction::triggered, this, &MainFrame::ShowLibraryStatus);
    QAction* check = library->addAction(QStringLiteral("Check Library..."));
    check->setObjectName(QStringLiteral("checkLibraryAction"));
    connect(check, &QAction::triggered, this, &MainFrame::CheckLibrary);
    QAction* about = menuBar()->addAction(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, &MainFrame::ShowAbout);
}

// Made on first use: most sessions never open it.
void MainFrame::ShowLibraryStatus() {
    if (!m_libraryStatus)
        m_libraryStatus = new LibraryStatusWindow(
            m_folders, [this] { return m_form->RemoteItems(); }, this);
    m_libraryStatus->Refresh();
}

void MainFrame::CreateStatusBar() {
    m_statusMessage = new QLabel(QStringLiteral("Ready"));
    m_statusMessage->setObjectName(QStringLiteral("statusMessage"));
    // A long cause is cut off rather than widening the window; its tooltip has it all.
    m_statusMessage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(m_statusMessage, 1);
    m_locks = std::make_unique<LockIndicators>(*statusBar());
}

void MainFrame::CreateAccelerators() {
    auto add = [this](const QKeySequence& keys, auto handler) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_N), [this] {
        // Re-listing the folders under a running stage would pull its lists away.
        if (!m_form->IsRunning())
            InitialUpdate();
    });
    add(QKeySequence(Qt::CTRL | Qt::Key_P), [this] { PrintStartPage(); });
    add(QKeySequence(Qt::Key_F6), [this] { SwitchPane(); });
    add(QKeySequence(Qt::SHIFT | Qt::Key_F6), [this] { SwitchPane(); });
}

void MainFrame::InitialUpdate() {
    m_form->InitialUpdate();
    m_startPage->Load(m_folders.StartPagePath());
}

void MainFrame::ShowAbout() {
    AboutBox box(this);
    m_messages.Exec(box);
}

void MainFrame::CheckLibrary() {
    if (m_check && m_check->Running()) {
        m_check->raise();
        m_check->activateWindow();
        return;
    }
    if (m_check)
        m_check->close();
    m_check = new CheckWindow(
        m_folders, [this](const std::string& path) { return m_form->OpenStockSheet(path); }, this);
    m_form->SetCheckRunning(true);
    connect(m_check, &CheckWindow::Finished, m_form,
            [form = m_form] { form->SetCheckRunning(false); });
    // A window closed while its check runs stops the check.
    connect(m_check, &QObject::destroyed, m_form,
            [form = m_form] { form->SetCheckRunning(false); });
    m_check->show();
}

bool MainFrame::StartPageActive() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == m_startPage || m_startPage->isAncestorOf(focus));
}

void MainFrame::PrintStartPage() {
    if (!StartPageActive())
        return;
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (m_messages.Exec(dialog) == QDialog::Accepted)
        m_startPage->print(&printer);
}

// With two panes, the next pane and the previous pane are the same one.
void MainFrame::SwitchPane() {
    if (StartPageActive()) {
        QWidget* last = m_form->focusWidget();
        (last ? last : m_form->nextInFocusChain())->setFocus(Qt::OtherFocusReason);
    } else {
        m_startPage->setFocus(Qt::OtherFocusReason);
    }
}

// Closing during Download or Update stops the run first: the window and the
// lists the stage is working on must outlive it. The window closes once the
// run has come back to the event loop.
void MainFrame::closeEvent(QCloseEvent* event) {
    if (m_form->IsRunning()) {
        StopRequested = 1;
        m_closeWhenIdle = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// In the message pane rather than as a passing status bar message, which any
// menu hover would wipe.
void MainFrame::ShowCause(const QString& text) {
    m_statusMessage->setText(text.isEmpty() ? QStringLiteral("Ready") : text);
    m_statusMessage->setToolTip(text);
}

void MainFrame::OnRunEnded() {
    if (m_closeWhenIdle)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

} // namespace kelvarin::gui

#include "MainFrame.moc"
