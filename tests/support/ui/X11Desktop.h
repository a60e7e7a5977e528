#pragma once

#include <QApplication>
#include <QGuiApplication>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>

// What the X server and its window manager make of the program's windows, for the desktop tests that run on
// a real display (scripts/with-desktop.sh). Questions go over the program's own connection, so they are
// answered after every request the program made before them. Header-only: only the desktop tests link xcb.
namespace X11Desktop {

// How long a wait on the desktop may last before a test gives up. Only a cap: each wait ends as soon as what it
// waits for has happened, and on a busy machine the window manager and the X server may take seconds to answer.
constexpr int kPatience = 30000;

inline xcb_connection_t* connection()
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

inline xcb_window_t root()
{
    xcb_connection_t* c = connection();
    return c ? xcb_setup_roots_iterator(xcb_get_setup(c)).data->root : 0;
}

inline xcb_atom_t atom(const char* name)
{
    xcb_connection_t* c = connection();
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return a;
}

// The window exists and is shown on the screen (mapped, and every window it sits in too).
inline bool viewable(WId window)
{
    xcb_connection_t* c = connection();
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, xcb_window_t(window)), nullptr);
    const bool shown = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    free(a);
    return shown;
}

// The window manager has let go of the window (ICCCM's Withdrawn state: no WM_STATE, or state 0), as it does
// once a window is hidden; a window shown again before that may be taken for the one it was.
inline bool withdrawn(WId window)
{
    xcb_connection_t* c = connection();
    const xcb_atom_t state = atom("WM_STATE");
    xcb_get_property_reply_t* p =
        xcb_get_property_reply(c, xcb_get_property(c, 0, xcb_window_t(window), state, state, 0, 2), nullptr);
    bool out = true;
    if (p && xcb_get_property_value_length(p) >= int(sizeof(quint32)))
        out = static_cast<const quint32*>(xcb_get_property_value(p))[0] == 0;
    free(p);
    return out;
}

// The managed windows from bottom to top, as the window manager stacks them.
inline QList<WId> stacking()
{
    xcb_connection_t* c = connection();
    QList<WId> out;
    xcb_get_property_reply_t* p = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root(), atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW, 0, 4096), nullptr);
    if (p) {
        const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(p));
        for (int i = 0; i < xcb_get_property_value_length(p) / int(sizeof(xcb_window_t)); ++i)
            out << WId(ids[i]);
        free(p);
    }
    return out;
}

// Where the window manager stacks the window: 0 at the bottom, -1 when it does not manage it (yet).
inline int stackPlace(const QWidget* window) { return int(stacking().indexOf(window->winId())); }

// The window manager's frame around the window, in root coordinates; empty until it has framed the window.
inline QRect frameOnScreen(WId window)
{
    xcb_connection_t* c = connection();
    xcb_window_t frame = xcb_window_t(window);
    for (xcb_window_t parent = 0; frame != XCB_WINDOW_NONE; frame = parent) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, frame), nullptr);
        parent = tree ? tree->parent : xcb_window_t(XCB_WINDOW_NONE);
        free(tree);
        if (parent == root())
            break;
    }
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, frame), nullptr);
    const QRect out = g && frame != xcb_window_t(window) ? QRect(g->x, g->y, g->width, g->height) : QRect();
    free(g);
    return out;
}

// Where the window's own area (inside the frame) is, in root coordinates.
inline QPoint clientOnScreen(WId window)
{
    xcb_connection_t* c = connection();
    xcb_translate_coordinates_reply_t* t =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, xcb_window_t(window), root(), 0, 0), nullptr);
    const QPoint out = t ? QPoint(t->dst_x, t->dst_y) : QPoint();
    free(t);
    return out;
}

// A message to the window manager about window, as a pager or the window's title bar sends it.
inline void askWindowManager(WId window, const char* message, quint32 first)
{
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = xcb_window_t(window);
    e.type = atom(message);
    e.data.data32[0] = first;
    e.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection(), 0, root(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&e));
    xcb_flush(connection());
}

// A change of the window's state (_NET_WM_STATE: 1 adds, 0 takes away), as its title bar's buttons or the window
// manager's keys ask for it.
inline void askState(const QWidget* window, quint32 addOrRemove, const char* state, const char* second = nullptr)
{
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = xcb_window_t(window->winId());
    e.type = atom("_NET_WM_STATE");
    e.data.data32[0] = addOrRemove;
    e.data.data32[1] = atom(state);
    e.data.data32[2] = second ? atom(second) : xcb_atom_t(XCB_ATOM_NONE);
    e.data.data32[3] = 2; // as the user asks, through a pager or the window's own buttons
    xcb_send_event(connection(), 0, root(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&e));
    xcb_flush(connection());
}

// Whether the window's state, as the window manager keeps it, holds state (such as "_NET_WM_STATE_ABOVE": kept
// above every other program's windows).
inline bool hasState(WId window, const char* state)
{
    xcb_connection_t* c = connection();
    xcb_get_property_reply_t* p = xcb_get_property_reply(
        c, xcb_get_property(c, 0, xcb_window_t(window), atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64), nullptr);
    bool out = false;
    if (p) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(p));
        const xcb_atom_t wanted = atom(state);
        for (int i = 0; i < xcb_get_property_value_length(p) / int(sizeof(xcb_atom_t)); ++i)
            out = out || atoms[i] == wanted;
        free(p);
    }
    return out;
}

// The window that has the keyboard, whichever client it belongs to.
inline WId inputFocus()
{
    xcb_get_input_focus_reply_t* f =
        xcb_get_input_focus_reply(connection(), xcb_get_input_focus(connection()), nullptr);
    const WId out = f ? WId(f->focus) : 0;
    free(f);
    return out;
}

// The window the window manager names active (_NET_ACTIVE_WINDOW), whichever client it belongs to; 0 for none.
inline WId activeWindow()
{
    xcb_connection_t* c = connection();
    xcb_get_property_reply_t* p = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root(), atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1), nullptr);
    WId out = 0;
    if (p && xcb_get_property_value_length(p) >= int(sizeof(xcb_window_t)))
        out = WId(*static_cast<const xcb_window_t*>(xcb_get_property_value(p)));
    free(p);
    return out;
}

// The title bar's minimise button and close box.
inline void minimise(const QWidget* window) { askWindowManager(window->winId(), "WM_CHANGE_STATE", 3); }
inline void closeBox(const QWidget* window) { askWindowManager(window->winId(), "_NET_CLOSE_WINDOW", 0); }

// The program's icon in an XEmbed tray is a top-level widget of Qt's own; nullptr when there is none.
inline QWidget* trayIconWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QSystemTrayIconSys"))
            return w;
    return nullptr;
}

// Clicks the left button count times over window, as the user does with the mouse; false when the click could
// not be sent.
inline bool click(WId window, int count)
{
    return QProcess::execute(QStringLiteral("xdotool"),
                             {QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(window),
                              QStringLiteral("4"), QStringLiteral("4"), QStringLiteral("click"),
                              QStringLiteral("--repeat"), QString::number(count), QStringLiteral("--delay"),
                              QStringLiteral("80"), QStringLiteral("1")}) == 0;
}

// Moves the pointer to point of w (in w's own coordinates) and clicks button there (1 left, 3 right), as the
// user does with the mouse; false when the click could not be sent.
inline bool clickAt(const QWidget* w, const QPoint& point, int button = 1)
{
    const QPoint at = w->mapToGlobal(point);
    return QProcess::execute(QStringLiteral("xdotool"),
                             {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                              QStringLiteral("click"), QString::number(button)}) == 0;
}

// Presses keys on the keyboard one after another, as xdotool names them ("ctrl+a", "j"): they go to the window
// with the focus.
inline bool pressKeys(const QStringList& keys)
{
    return QProcess::execute(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys) == 0;
}

// Asks the window manager to give window the keyboard, as a pager does when the user picks it; true once it has.
inline bool giveKeyboardTo(WId window)
{
    // It activates only a window it has taken on.
    if (!QTest::qWaitFor([window] { return !withdrawn(window); }, kPatience))
        return false;
    askWindowManager(window, "_NET_ACTIVE_WINDOW", 2);
    return QTest::qWaitFor([window] { return inputFocus() == window; }, kPatience);
}

// True once the window manager has done what the program asked of it before: it answers in the order asked, and
// the answer to this can be seen (the frame it would give a new window).
inline bool windowManagerCaughtUp()
{
    xcb_connection_t* c = connection();
    const xcb_window_t probe = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root(), 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    askWindowManager(probe, "_NET_REQUEST_FRAME_EXTENTS", 0);
    const bool answered = QTest::qWaitFor(
        [&] {
            xcb_get_property_reply_t* p = xcb_get_property_reply(
                c, xcb_get_property(c, 0, probe, atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 0, 4), nullptr);
            const bool set = p && xcb_get_property_value_length(p) > 0;
            free(p);
            return set;
        },
        kPatience);
    xcb_destroy_window(c, probe);
    return answered;
}

// Moves widget's window up or down until the X server shows widget's top at y; false if it never gets there.
inline bool bringTo(const QWidget* widget, int y)
{
    const auto top = [widget] {
        return clientOnScreen(widget->window()->winId()).y() + widget->mapTo(widget->window(), QPoint()).y();
    };
    widget->window()->move(widget->window()->pos() + QPoint(0, y - top()));
    return QTest::qWaitFor([&] { return windowManagerCaughtUp() && top() == y; }, kPatience);
}

// The window's frame on the screen, as the window manager keeps it.
inline QRect frameOf(const QWidget* window) { return frameOnScreen(window->winId()); }

// The window is on the screen, and the window manager has done all that was asked of it before.
inline bool shown(QWidget* window)
{
    return QTest::qWaitForWindowExposed(window, kPatience) && windowManagerCaughtUp();
}

// Waits until upper stands above lower in the window manager's stacking; false if it never does.
inline bool comesAbove(const QWidget* upper, const QWidget* lower)
{
    return QTest::qWaitFor([=] { return windowManagerCaughtUp() && stackPlace(upper) > stackPlace(lower); }, kPatience);
}

// Waits until window stands clear of other, or above it; false if it never does.
inline bool clearOfOrAbove(const QWidget* window, const QWidget* other)
{
    return QTest::qWaitFor(
        [=] {
            return windowManagerCaughtUp() &&
                   (!frameOf(window).intersects(frameOf(other)) || stackPlace(window) > stackPlace(other));
        },
        kPatience);
}

// Kept above every other program's windows: by its own stay-on-top, or by the window manager's state.
inline bool keptAbove(const QWidget* window)
{
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) || hasState(window->winId(), "_NET_WM_STATE_ABOVE");
}

// A window of another program: a client of the X server of its own, gone with this object.
struct OtherProgram {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_window_t window = xcb_generate_id(c);
    OtherProgram()
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 40, 40, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(c, window);
        xcb_flush(c);
    }
    ~OtherProgram() { xcb_disconnect(c); }
};

} // namespace X11Desktop
