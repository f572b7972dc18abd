#include "ui/frame/KelvarinApp.h"

#include "app/Settings.h"
#include "app/UserLibrary.h"
#include "ui/frame/MainFrame.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QtGlobal>
#include <iostream>

// The resources are compiled into the static library kelvarin_gui, whose
// objects reach a program only when something in it refers to them; this
// reference pulls them in. The macro declares the resource's function where
// it stands, so it must not stand inside a namespace.
static void InitResources() {
    Q_INIT_RESOURCE(kelvarin);
}

namespace kelvarin::gui {

KelvarinApp::KelvarinApp(std::string server, MessageBoxes::Mode mode, bool userLibrary,
                         TransferSettings transfer)
    : m_server(std::move(server)), m_transfer(std::move(transfer)), m_userLibrary(userLibrary),
      m_messages(mode) {
    InitResources();
}

KelvarinApp::~KelvarinApp() = default;

void KelvarinApp::NameApplication() {
    // The name is also the title of message boxes and, with no organisation
    // name (which Qt would put into the path as well), the user's library
    // folder, which kelvarin-cli finds without Qt. No display name: Qt would
    // add it to the window caption.
    QApplication::setApplicationName(QStringLiteral("Kelvarin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("kelvarin"));
}

std::string KelvarinApp::UserLibraryFolder() {
    const QString library = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir::cleanPath(QDir::current().absoluteFilePath(library)).toStdString();
}

bool KelvarinApp::PrepareBaseFolder() {
    if (!m_userLibrary) {
        m_folders.BaseFolder = CurrentDirectory();
        return true;
    }
    m_folders.BaseFolder = UserLibraryFolder();
    std::string error;
    if (PrepareUserLibrary(m_folders.BaseFolder,
                           InstalledStartPage(QApplication::applicationFilePath().toStdString()),
                           &error))
        return true;
    m_messages.Ask(error, MessageButtons::Ok);
    return false;
}

bool KelvarinApp::Start() {
    if (!PrepareBaseFolder())
        return false;
    ReadSettings(m_folders.SettingsPath(), m_folders);
    m_frame = std::make_unique<MainFrame>(m_folders, m_server, m_transfer, m_messages);
    m_messages.SetParent(m_frame.get());
    m_frame->InitialUpdate();
    m_frame->showMaximized();
    m_frame->setWindowTitle(QStringLiteral("Kelvarin Downloader"));
    m_frame->ShowAbout();
    return true;
}

int KelvarinApp::Exit() {
    m_messages.SetParent(nullptr);
    m_frame.reset();
    std::string error;
    if (!WriteSettings(m_folders.SettingsPath(), m_folders, &error))
        std::cerr << "kelvarin: the settings were not saved: " << error << '\n';
    return 0;
}

} // namespace kelvarin::gui
