#include "ui/frame/LockIndicators.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
// The header names a field "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace kelvarin::gui {

namespace {

// In status bar order; the names are the keyboard extension's own for the
// three indicators.
constexpr std::array<const char*, 3> Texts = {"CAP", "NUM", "SCRL"};
constexpr std::array<const char*, 3> IndicatorNames = {"Caps Lock", "Num Lock", "Scroll Lock"};

template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> ReplyPointer<Reply> Owned(Reply* reply) {
    return ReplyPointer<Reply>(reply, &std::free);
}

} // namespace

struct LockIndicators::X11Keyboard {
    xcb_connection_t* connection = nullptr;
    uint8_t firstEvent = 0;
    std::array<xcb_atom_t, 3> indicators{};

    // Null when the X server has no keyboard extension.
    static std::unique_ptr<X11Keyboard> Open(xcb_connection_t* connection);
    bool IsOn(xcb_atom_t indicator) const;
};

std::unique_ptr<LockIndicators::X11Keyboard>
LockIndicators::X11Keyboard::Open(xcb_connection_t* connection) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_xkb_id);
    if (!extension || !extension->present)
        return nullptr;
    const auto use = Owned(xcb_xkb_use_extension_reply(
        connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
        nullptr));
    if (!use || !use->supported)
        return nullptr;

    auto keyboard = std::make_unique<X11Keyboard>();
    keyboard->connection = connection;
    keyboard->firstEvent = extension->first_event;
    std::array<xcb_intern_atom_cookie_t, 3> cookies{};
    for (size_t i = 0; i < IndicatorNames.size(); ++i)
        cookies[i] =
            xcb_intern_atom(connection, 0, std::strlen(IndicatorNames[i]), IndicatorNames[i]);
    for (size_t i = 0; i < cookies.size(); ++i) {
        const auto atom = Owned(xcb_intern_atom_reply(connection, cookies[i], nullptr));
        keyboard->indicators[i] = atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
    }
    // Only this event type's selection changes; Qt's own XKB events stay as
    // it chose them.
    const xcb_xkb_select_events_details_t details{};
    xcb_xkb_select_events_aux(connection, XCB_XKB_ID_USE_CORE_KBD,
                              XCB_XKB_EVENT_TYPE_INDICATOR_STATE_NOTIFY, 0,
                              XCB_XKB_EVENT_TYPE_INDICATOR_STATE_NOTIFY, 0, 0, &details);
    xcb_flush(connection);
    return keyboard;
}

bool LockIndicators::X11Keyboard::IsOn(xcb_atom_t indicator) const {
    if (indicator == XCB_ATOM_NONE)
        return false;
    const auto reply = Owned(xcb_xkb_get_named_indicator_reply(
        connection,
        xcb_xkb_get_named_indicator(connection, XCB_XKB_ID_USE_CORE_KBD,
                                    XCB_XKB_LED_CLASS_DFLT_XI_CLASS, XCB_XKB_ID_DFLT_XI_ID,
                                    indicator),
        nullptr));
    return reply && reply->found && reply->on;
}

LockIndicators::LockIndicators(QStatusBar& bar) {
    for (size_t i = 0; i < Texts.size(); ++i) {
        m_labels[i] = new QLabel(QString::fromLatin1(Texts[i]));
        m_labels[i]->setObjectName(QString::fromLatin1(Texts[i]).toLower() + "Indicator");
        bar.addPermanentWidget(m_labels[i]);
        m_labels[i]->hide();
    }
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    m_x11 = X11Keyboard::Open(x11->connection());
    if (!m_x11)
        return;
    QCoreApplication::instance()->installNativeEventFilter(this);
    Show();
}

LockIndicators::~LockIndicators() {
    if (m_x11 && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void LockIndicators::Show() {
    for (size_t i = 0; i < m_labels.size(); ++i)
        m_labels[i]->setVisible(m_x11->IsOn(m_x11->indicators[i]));
}

bool LockIndicators::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != m_x11->firstEvent)
        return false;
    // Every XKB event has the one event code; the kind follows it, in the
    // header all of them share.
    const auto* xkb = static_cast<const xcb_xkb_indicator_state_notify_event_t*>(message);
    if (xkb->xkbType == XCB_XKB_INDICATOR_STATE_NOTIFY)
        Show();
    return false;
}

} // namespace kelvarin::gui
