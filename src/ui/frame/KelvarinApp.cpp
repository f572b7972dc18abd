#include "ui/frame/KelvarinApp.h"

#include "app/Settings.h"
#include "ui/frame/MainFrame.h"

#include <QtGlobal>
#include <iostream>

// The resources are compiled into the static library kelvarin_gui, whose
// objects reach a program only when something in it refers to them; this
// reference pulls them in. The macro declares the resource's function where
// it stands, so it must not stand inside a namespace.
static void InitResources() {
    Q_INIT_RESOURCE(kelvarin);
}

KelvarinApp::KelvarinApp(std::string server, MessageBoxes::Mode mode)
    : m_server(std::move(server)), m_messages(mode) {
    InitResources();
}

KelvarinApp::~KelvarinApp() = default;

void KelvarinApp::Start() {
    m_folders.BaseFolder = kelvarin::CurrentDirectory();
    kelvarin::ReadSettings(m_folders.SettingsPath(), m_folders);
    m_frame = std::make_unique<MainFrame>(m_folders, m_server, m_messages);
    m_messages.SetParent(m_frame.get());
    m_frame->InitialUpdate();
    m_frame->showMaximized();
    m_frame->setWindowTitle(QStringLiteral("Kelvarin Downloader"));
    m_frame->ShowAbout();
}

int KelvarinApp::Exit() {
    m_messages.SetParent(nullptr);
    m_frame.reset();
    std::string error;
    if (!kelvarin::WriteSettings(m_folders.SettingsPath(), m_folders, &error))
        std::cerr << "kelvarin: the settings were not saved: " << error << '\n';
    return 0;
}
