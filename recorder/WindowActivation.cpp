#include "WindowActivation.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

template <class T>
using TXcbReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const TXcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection,
                              xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Whether a window manager runs that activates windows on request (_NET_ACTIVE_WINDOW).
bool ManagerActivates(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t activeWindow) {
    const xcb_atom_t supported = Atom(connection, "_NET_SUPPORTED");
    const TXcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr),
        &std::free);
    if (!reply || reply->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i)
        if (atoms[i] == activeWindow) return true;
    return false;
}

// The toolkit asks with the time of the last event it saw, which is older than the focus the user
// gave another program since, so both the manager and the server may ignore it. The current time
// is asked for here instead, as a tool acting for the user.
void ActivateOnX11(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t activeWindow = Atom(connection, "_NET_ACTIVE_WINDOW");
    if (activeWindow != XCB_ATOM_NONE && ManagerActivates(connection, root, activeWindow)) {
        constexpr uint32_t SourceTool = 2; // a pager or tool acting on the user's behalf
        xcb_client_message_event_t request{};
        request.response_type = XCB_CLIENT_MESSAGE;
        request.format = 32;
        request.window = window;
        request.type = activeWindow;
        request.data.data32[0] = SourceTool;
        request.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&request));
    } else {
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    }
    xcb_flush(connection);
}

xcb_connection_t* X11Connection() {
    // Some platforms that are not X11 (offscreen) answer with no connection.
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace

void BringToFront(QWidget& window, const QString& activationToken) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    // Read by the toolkit's Wayland activation, once.
    if (!activationToken.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    window.activateWindow();
    if (xcb_connection_t* connection = X11Connection())
        ActivateOnX11(connection, static_cast<xcb_window_t>(window.winId()));
}

void EndStartupNotification(const QByteArray& startupId) {
    xcb_connection_t* connection = X11Connection();
    if (!connection || startupId.isEmpty()) return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    // The message goes out in pieces of 20 bytes from a window of the sender, the first piece
    // marked as the beginning; the terminating zero is part of it.
    QByteArray message =
        "remove: ID=\"" + QByteArray(startupId).replace('\\', "\\\\").replace('"', "\\\"") + '"';
    message.append('\0');
    const xcb_window_t sender = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, sender, screen->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_client_message_event_t piece{};
    piece.response_type = XCB_CLIENT_MESSAGE;
    piece.format = 8;
    piece.window = sender;
    piece.type = Atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = Atom(connection, "_NET_STARTUP_INFO");
    for (qsizetype at = 0; at < message.size(); at += 20) {
        std::memset(piece.data.data8, 0, sizeof piece.data.data8);
        std::memcpy(piece.data.data8, message.constData() + at, std::min<qsizetype>(20, message.size() - at));
        xcb_send_event(connection, 0, screen->root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&piece));
        piece.type = more;
    }
    xcb_destroy_window(connection, sender);
    xcb_flush(connection);
}
