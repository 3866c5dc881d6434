#include "app/wayland_seat.h"

#include <cstdlib>
#include <cstring>
#include <wayland-client.h>

namespace {

void globalAnnounced(void* seatSeen, wl_registry*, uint32_t, const char* interface, uint32_t) {
    if (std::strcmp(interface, "wl_seat") == 0) {
        *static_cast<bool*>(seatSeen) = true;
    }
}

void globalRemoved(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener{globalAnnounced, globalRemoved};

bool envSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

WaylandSeat waylandSeatProbe() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    // Without a runtime folder libwayland complains on standard error before it fails.
    if (envSet("WAYLAND_SOCKET") ||
        (!envSet("XDG_RUNTIME_DIR") && (name == nullptr || name[0] != '/'))) {
        return WaylandSeat::Unknown;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return WaylandSeat::Unknown;
    }
    bool seatSeen = false;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &seatSeen);
    // One round trip: the compositor announces every global before it answers.
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered) {
        return WaylandSeat::Unknown;
    }
    return seatSeen ? WaylandSeat::Offered : WaylandSeat::Missing;
}
