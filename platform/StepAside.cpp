#include "StepAside.h"

#include "QtXcb.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace {

// Long enough for a compositor's animation, or another program, to draw
// what the window covered.
constexpr int SettleMs = 300;

void Settle() {
    QEventLoop loop;
    QTimer::singleShot(SettleMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// A connection of the program's own to the same server, on which the wait
// receives the server's events (Qt's connection hands every event to Qt).
class TWatch {
public:
    explicit TWatch(const char* display) : FConnection(xcb_connect(display, &FScreen)) {}
    ~TWatch() { xcb_disconnect(FConnection); }
    TWatch(const TWatch&) = delete;
    TWatch& operator=(const TWatch&) = delete;

    bool Open() const { return !xcb_connection_has_error(FConnection); }
    xcb_connection_t* Connection() const { return FConnection; }
    int Screen() const { return FScreen; }

private:
    xcb_connection_t* FConnection;
    int FScreen = 0;
};

// The root window's child that holds `window`: the window itself, or the
// frame a window manager put around it; 0 when the server does not answer.
xcb_window_t TopLevelOf(xcb_connection_t* connection, xcb_window_t window, xcb_window_t& root) {
    for (int depth = 0; depth < 16; ++depth) {
        const auto tree =
            Owned(xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
        if (!tree) {
            return 0;
        }
        root = tree->root;
        if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE) {
            return window;
        }
        window = tree->parent;
    }
    return 0;
}

bool Composited(xcb_connection_t* connection, int screen) {
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    const auto atom = Owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(name.size()), name.c_str()),
        nullptr));
    if (!atom) {
        return true;
    }
    const auto owner = Owned(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
    return !owner || owner->owner != XCB_WINDOW_NONE;
}

struct TArea {
    int Left, Top, Right, Bottom; // right and bottom exclusive
    bool Meets(const TArea& other) const {
        return Left < other.Right && other.Left < Right && Top < other.Bottom && other.Top < Bottom;
    }
};

std::optional<TArea> AreaOf(xcb_connection_t* connection, xcb_window_t window) {
    const auto geometry =
        Owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!geometry) {
        return std::nullopt;
    }
    const int border = 2 * geometry->border_width;
    return TArea{geometry->x, geometry->y, geometry->x + geometry->width + border,
                 geometry->y + geometry->height + border};
}

// Whether a shown window of the root lies under `top` where `top` is: its
// program has to redraw it once `top` goes.
bool CoversOtherWindows(xcb_connection_t* connection, xcb_window_t root, xcb_window_t top) {
    const auto area = AreaOf(connection, top);
    const auto tree =
        Owned(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (!area || !tree) {
        return true;
    }
    // Children come bottom first.
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> asked;
    int below = 0;
    while (below < count && children[below] != top) {
        asked.push_back(xcb_get_window_attributes(connection, children[below]));
        ++below;
    }
    bool covers = false;
    for (int i = 0; i < below; ++i) {
        const auto attributes =
            Owned(xcb_get_window_attributes_reply(connection, asked[std::size_t(i)], nullptr));
        if (covers || !attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY) {
            continue;
        }
        const auto other = AreaOf(connection, children[i]);
        covers = !other || other->Meets(*area);
    }
    return covers;
}

bool Viewable(xcb_connection_t* connection, xcb_window_t window) {
    const auto attributes = Owned(xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

bool Gone(const xcb_generic_event_t& event, xcb_window_t top) {
    switch (event.response_type & 0x7f) {
    case XCB_UNMAP_NOTIFY:
        return reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window == top;
    case XCB_DESTROY_NOTIFY:
        return reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window == top;
    case XCB_REPARENT_NOTIFY:
        return reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window == top;
    default:
        return false;
    }
}

// Blocks until the server reports `top` unmapped; false when it has not
// within the settling time.
bool WaitUntilUnmapped(const TWatch& watch, xcb_window_t top) {
    xcb_connection_t* connection = watch.Connection();
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(SettleMs);
    if (!Viewable(connection, top)) {
        return true;
    }
    for (;;) {
        while (const auto event = Owned(xcb_poll_for_event(connection))) {
            if (Gone(*event, top)) {
                return true;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || xcb_connection_has_error(connection)) {
            return false;
        }
        pollfd readable{xcb_get_file_descriptor(connection), POLLIN, 0};
        poll(&readable, 1, int(left.count()) + 1);
    }
}

// The bare X server's road: false where it cannot be taken, the window
// still shown.
bool StepAsideOnX11(QWidget& window) {
    xcb_connection_t* qt = QtXcbConnection();
    if (!qt || !window.isVisible()) {
        return false;
    }
    TWatch watch(nullptr);
    if (!watch.Open()) {
        return false;
    }
    xcb_connection_t* connection = watch.Connection();
    xcb_window_t root = XCB_WINDOW_NONE;
    const xcb_window_t top = TopLevelOf(connection, xcb_window_t(window.winId()), root);
    if (!top || Composited(connection, watch.Screen()) ||
        CoversOtherWindows(connection, root, top)) {
        return false;
    }
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    window.hide();
    xcb_flush(qt);
    if (!WaitUntilUnmapped(watch, top)) {
        Settle();
    }
    return true;
}

} // namespace

void StepAside(QWidget& window) {
    if (!StepAsideOnX11(window)) {
        window.hide();
        Settle();
    }
}
