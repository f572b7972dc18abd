#pragma once

#include <QAbstractNativeEventFilter>
#include <array>
#include <cstdint>
#include <memory>

class QLabel;
class QStatusBar;

namespace kelvarin::gui {

// The status bar's CAP, NUM and SCRL indicators, each shown only while its
// lock is on. On X11 the keyboard extension tells the states and reports
// every change, whichever window has the keyboard; where the platform cannot
// tell, none is shown rather than a guess.
class LockIndicators : public QAbstractNativeEventFilter {
public:
    explicit LockIndicators(QStatusBar& bar);
    ~LockIndicators() override;
    LockIndicators(const LockIndicators&) = delete;
    LockIndicators& operator=(const LockIndicators&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct X11Keyboard;

    void Show();

    std::array<QLabel*, 3> m_labels;
    std::unique_ptr<X11Keyboard> m_x11;
};

} // namespace kelvarin::gui
