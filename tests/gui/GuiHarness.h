#pragma once

#include "net/CertificateTrust.h"
#include "support/TempDir.h"
#include "ui/form/StageListView.h"
#include "ui/frame/KelvarinApp.h"
#include "ui/frame/MainFrame.h"

#include <QStringList>
#include <QWidget>
#include <memory>
#include <stdexcept>
#include <string>

namespace kelvarin::gui {

// The desktop program started in a fresh, empty base folder with every
// message box answered by script. The current directory is the base folder
// while the harness lives.
class GuiHarness {
public:
    explicit GuiHarness(std::string server = "http://127.0.0.1:1", CertificateTrust trust = {});
    ~GuiHarness();

    // Runs the program's start-up; the base folder can be filled before.
    void Start();
    int Exit();

    KelvarinApp& App() { return *m_app; }
    MainFrame& Frame() { return m_app->Frame(); }
    MessageBoxes& Messages() { return m_app->Messages(); }
    const std::string& Base() const { return m_base; }

    template <typename Widget> Widget& Get(const char* name) {
        auto* widget = Frame().findChild<Widget*>(name);
        if (!widget)
            throw std::runtime_error(std::string("no widget ") + name);
        return *widget;
    }

    QStringList Rows(const char* list);
    int RowOf(const char* list, const QString& text);
    void ClickRow(const char* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void DoubleClickRow(const char* list, int row);
    void Click(const char* button);
    QString Text(const char* label);

private:
    QPoint RowCentre(StageListView& list, int row);

    kelvarin::test::TempDir m_dir;
    std::string m_previousDirectory;
    std::string m_base;
    std::unique_ptr<KelvarinApp> m_app;
};

} // namespace kelvarin::gui
