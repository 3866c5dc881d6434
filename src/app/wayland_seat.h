#pragma once
// Whether the Wayland compositor SDL would connect to offers a seat (a keyboard and pointer's
// home). SDL 2.26.5 sets its seat's state up at start-up whether or not the compositor announced
// one, so one without (weston's headless back end) crashes SDL_Init; the platform asks first.

#include <cstdint>

enum class WaylandSeat : uint8_t { Unknown, Offered, Missing };

// Connects as SDL would (WAYLAND_DISPLAY, else wayland-0, under XDG_RUNTIME_DIR; an absolute
// WAYLAND_DISPLAY as it is), reads the compositor's globals and disconnects. Unknown when there is
// no compositor to ask, and with WAYLAND_SOCKET, a connection that only one client may take.
WaylandSeat waylandSeatProbe();
