#include "platform/windowlookup.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <xcb/xcb.h>

#include <QByteArray>
#include <QGuiApplication>

namespace {

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template<typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t internAtom(xcb_connection_t *c, const char *name)
{
    XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray property(xcb_connection_t *c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type)
{
    if (prop == XCB_ATOM_NONE)
        return {};
    XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 4096), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

std::vector<xcb_window_t> children(xcb_connection_t *c, xcb_window_t w)
{
    XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr));
    if (!tree)
        return {};
    const xcb_window_t *first = xcb_query_tree_children(tree.get());
    return {first, first + xcb_query_tree_children_length(tree.get())};
}

struct Atoms
{
    xcb_atom_t netWmName;
    xcb_atom_t utf8String;
    xcb_atom_t wmState;
};

bool titled(xcb_connection_t *c, const Atoms &atoms, xcb_window_t w, const QByteArray &title)
{
    const QByteArray netName = property(c, w, atoms.netWmName, atoms.utf8String);
    if (!netName.isEmpty())
        return netName == title;
    return property(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY) == title;
}

bool hasWmState(xcb_connection_t *c, const Atoms &atoms, xcb_window_t w)
{
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, atoms.wmState, XCB_ATOM_ANY, 0, 0), nullptr));
    return reply && reply->type != XCB_ATOM_NONE;
}

// The client window inside a window-manager frame carries WM_STATE.
bool clientTitled(xcb_connection_t *c, const Atoms &atoms, xcb_window_t frame,
                  const QByteArray &title, int depth)
{
    for (xcb_window_t child : children(c, frame)) {
        if (hasWmState(c, atoms, child))
            return titled(c, atoms, child, title);
        if (depth > 0 && clientTitled(c, atoms, child, title, depth - 1))
            return true;
    }
    return false;
}

struct Connection
{
    xcb_connection_t *c = nullptr;
    bool owned = false;
    ~Connection()
    {
        if (owned)
            xcb_disconnect(c);
    }
};

} // namespace

bool x11TopLevelWindowExists(const QString &title)
{
    Connection conn;
    int screenNumber = 0;
    if (auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        conn.c = x11->connection();
    if (!conn.c) {
        // Another platform plugin: the X display may still be reachable.
        if (!std::getenv("DISPLAY"))
            return false;
        conn.c = xcb_connect(nullptr, &screenNumber);
        conn.owned = true;
        if (xcb_connection_has_error(conn.c))
            return false;
    }

    const QByteArray wanted = title.toUtf8();
    const Atoms atoms{internAtom(conn.c, "_NET_WM_NAME"), internAtom(conn.c, "UTF8_STRING"),
                      internAtom(conn.c, "WM_STATE")};
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn.c)); it.rem;
         xcb_screen_next(&it)) {
        for (xcb_window_t top : children(conn.c, it.data->root)) {
            if (titled(conn.c, atoms, top, wanted))
                return true;
            if (clientTitled(conn.c, atoms, top, wanted, 2))
                return true;
        }
    }
    return false;
}
