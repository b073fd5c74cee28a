#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace stirwell {

struct XcbFree {
    void operator()(void *reply) const { std::free(reply); }
};

// An xcb reply, freed as xcb wants it.
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;

// The atom for `name` (one round trip); XCB_ATOM_NONE when the server does
// not answer.
[[nodiscard]] inline xcb_atom_t internXcbAtom(xcb_connection_t *connection, const char *name)
{
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace stirwell
