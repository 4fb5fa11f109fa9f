#include <qpa/qplatformnativeinterface.h>
#include <qpa/qwindowsysteminterface.h>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <chrono>
#include <thread>

#include "platform/platform.h"
#include "platform/widget_handle.h"

namespace platform {

void placeChildWindow(WindowHandle child, int x, int y, int width, int height) {
    if (QWidget *widget = widgetOfHandle(child)) {
        widget->setGeometry(x, y, width, height);
    }
}

bool releaseMouseCapture() {
    if (QWidget *grabber = QWidget::mouseGrabber()) {
        grabber->releaseMouse();
    }
    // A window manager starts a move even without a pressed button, and merely hovering the
    // title bar must never move the window.
    return QGuiApplication::mouseButtons() & Qt::LeftButton;
}

namespace {

constexpr uint32_t kMoveResizeMove = 8;
constexpr uint32_t kSourceApplication = 1;

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name) {
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, false, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

xcb_window_t rootOf(xcb_connection_t *connection, xcb_window_t window) {
    xcb_query_tree_reply_t *reply =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
    const xcb_window_t root = reply ? reply->root : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
    std::free(reply);
    return root;
}

// The window manager announces on the root window which requests it carries out.
bool windowManagerSupports(xcb_connection_t *connection, xcb_window_t root, xcb_atom_t request) {
    // Atoms stay the same for as long as the X server runs: asked for once.
    static const xcb_atom_t supported = internAtom(connection, "_NET_SUPPORTED");
    if (supported == XCB_ATOM_NONE) {
        return false;
    }
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, false, root, supported, XCB_ATOM_ATOM, 0, 4096),
        nullptr);
    bool found = false;
    if (reply && reply->format == 32) {
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / int(sizeof(xcb_atom_t));
        found = std::find(atoms, atoms + count, request) != atoms + count;
    }
    std::free(reply);
    return found;
}

// Other platforms (the offscreen one among them) may answer for X11 without an X connection.
xcb_connection_t *x11Connection() {
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11) {
        return nullptr;
    }
    return x11->connection();
}

// QWindow::startSystemMove() and startSystemResize() tell the window manager that the pointer is
// where the top-level window last saw it, which it often has not: over the title bar the pointer
// is over the native child that holds the page's window, and on an edge the window may have seen
// no motion before the press, so the window would jump by the difference. The request is made
// here with the pointer's real position instead (or, for a resize, where the button went down), to
// move (kMoveResizeMove) or resize by an edge or corner (0-7). Returns whether it was made.
bool requestX11MoveResize(xcb_connection_t *connection, QWidget *widget, uint32_t direction,
                          QPoint pointer) {
    const auto window = static_cast<xcb_window_t>(widget->winId());
    static const xcb_atom_t moveResize = internAtom(connection, "_NET_WM_MOVERESIZE");
    const xcb_window_t root = rootOf(connection, window);
    if (moveResize == XCB_ATOM_NONE || root == XCB_WINDOW_NONE ||
        !windowManagerSupports(connection, root, moveResize)) {
        return false;
    }
    pointer *= widget->devicePixelRatioF();

    xcb_client_message_event_t message;
    std::memset(&message, 0, sizeof message);
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = moveResize;
    message.data.data32[0] = static_cast<uint32_t>(pointer.x());
    message.data.data32[1] = static_cast<uint32_t>(pointer.y());
    message.data.data32[2] = direction;
    message.data.data32[3] = XCB_BUTTON_INDEX_1;
    message.data.data32[4] = kSourceApplication;
    // The window manager can only take the pointer once this program lets it go.
    xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
    xcb_send_event(connection, false, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
    return true;
}

// _NET_WM_MOVERESIZE's direction for edges: the corners and edges clockwise from the top left,
// kMoveResizeMove for what is neither.
uint32_t moveResizeDirection(unsigned edges) {
    static const unsigned order[] = {
        kEdgeTop | kEdgeLeft,     kEdgeTop,    kEdgeTop | kEdgeRight,   kEdgeRight,
        kEdgeBottom | kEdgeRight, kEdgeBottom, kEdgeBottom | kEdgeLeft, kEdgeLeft,
    };
    for (uint32_t direction = 0; direction < 8; ++direction) {
        if (order[direction] == edges) {
            return direction;
        }
    }
    return kMoveResizeMove;
}

// From here on the window manager holds the pointer and this program never sees the button go
// up. Without a release of its own the toolkit would go on believing the button held and the
// widget under it grabbing the mouse, so that the next press anywhere would start the move or
// resize again.
void releaseLeftButton(QWindow *handle) {
    const QPoint global = QCursor::pos();
    QWindowSystemInterface::handleMouseEvent(handle, handle->mapFromGlobal(global), global,
                                             Qt::NoButton, Qt::LeftButton,
                                             QEvent::MouseButtonRelease);
}

}  // namespace

void startWindowMove(WindowHandle window) {
    QWidget *widget = widgetOfHandle(window);
    if (!widget || !widget->windowHandle()) {
        return;
    }
    xcb_connection_t *connection = x11Connection();
    if (!connection) {
        widget->windowHandle()->startSystemMove();
        return;
    }
    if (requestX11MoveResize(connection, widget, kMoveResizeMove, QCursor::pos())) {
        releaseLeftButton(widget->windowHandle());
    }
}

bool startWindowResize(WindowHandle window, unsigned edges, int pressedX, int pressedY) {
    QWidget *widget = widgetOfHandle(window);
    if (!widget || !widget->windowHandle()) {
        return false;
    }
    xcb_connection_t *connection = x11Connection();
    if (!connection) {
        static_assert(unsigned(kEdgeTop) == unsigned(Qt::TopEdge) &&
                      unsigned(kEdgeLeft) == unsigned(Qt::LeftEdge) &&
                      unsigned(kEdgeRight) == unsigned(Qt::RightEdge) &&
                      unsigned(kEdgeBottom) == unsigned(Qt::BottomEdge));
        return widget->windowHandle()->startSystemResize(Qt::Edges(int(edges)));
    }
    // A window manager that takes the resize follows the pointer exactly; the program's own
    // geometry steps lag behind it and, under some window managers (XWayland on mutter), overshoot.
    // It measures the drag from the position it is given: the pointer may have gone on since the
    // press by the time this program handles it, on a busy machine by half the drag.
    const uint32_t direction = moveResizeDirection(edges);
    if (direction == kMoveResizeMove ||
        !requestX11MoveResize(connection, widget, direction, QPoint(pressedX, pressedY))) {
        return false;
    }
    releaseLeftButton(widget->windowHandle());
    return true;
}

void focusWindow(WindowHandle window) {
    if (QWidget *widget = widgetOfHandle(window)) {
        widget->activateWindow();
        widget->setFocus();
    }
}

void sleepMilliseconds(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool desktopComposited() {
    // Other platforms (Wayland, offscreen) always compose.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return true;
    }
    // The toolkit follows the owner of the compositing manager's selection of the screen.
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    QScreen *screen = QGuiApplication::primaryScreen();
    return native && screen &&
           native->nativeResourceForScreen(QByteArrayLiteral("compositingEnabled"), screen);
}

}  // namespace platform
