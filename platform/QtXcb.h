#pragma once

// What the X11 code shares: Qt's own connection to the X server, and the
// replies xcb hands over, which the caller frees.

#include <cstdlib>
#include <memory>

struct xcb_connection_t;

template <typename Reply> using TXcbReply = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> TXcbReply<Reply> Owned(Reply* reply) {
    return {reply, &std::free};
}

// None off X11; the offscreen platform answers for X11 too, with no
// connection when there is no X display.
xcb_connection_t* QtXcbConnection();
