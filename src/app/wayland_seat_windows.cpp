#include "app/wayland_seat.h"

// Windows has no Wayland; SDL's own driver is the only one.
WaylandSeat waylandSeatProbe() {
    return WaylandSeat::Unknown;
}
