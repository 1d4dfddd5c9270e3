// A small Wayland client for the end-to-end tests:
//   wayland_test_client inhibit   maps a window holding an idle inhibitor,
//                                 prints "inhibiting", holds it until killed
//   wayland_test_client move      moves the pointer through KWin's fake input
//   wayland_test_client key       taps a key through KWin's fake input
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "fake-input-client-protocol.h"
#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

struct Globals {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* wm = nullptr;
    zwp_idle_inhibit_manager_v1* inhibit = nullptr;
    org_kde_kwin_fake_input* fake = nullptr;
    bool configured = false;
};

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
            uint32_t version) {
    auto* g = static_cast<Globals*>(data);
    const std::string i = interface;
    if (i == wl_compositor_interface.name)
        g->compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    else if (i == wl_shm_interface.name)
        g->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (i == xdg_wm_base_interface.name)
        g->wm =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    else if (i == zwp_idle_inhibit_manager_v1_interface.name)
        g->inhibit = static_cast<zwp_idle_inhibit_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
    else if (i == org_kde_kwin_fake_input_interface.name && version >= 4)
        g->fake = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
constexpr wl_registry_listener kRegistry{Global, GlobalRemove};

void Ping(void*, xdg_wm_base* wm, uint32_t serial) { xdg_wm_base_pong(wm, serial); }
constexpr xdg_wm_base_listener kWm{Ping};
void SurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial) {
    xdg_surface_ack_configure(surface, serial);
    static_cast<Globals*>(data)->configured = true;
}
constexpr xdg_surface_listener kSurface{SurfaceConfigure};
void ToplevelConfigure(void*, xdg_toplevel*, int32_t, int32_t, wl_array*) {}
void ToplevelClose(void*, xdg_toplevel*) {}
void ToplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void ToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
constexpr xdg_toplevel_listener kToplevel{ToplevelConfigure, ToplevelClose, ToplevelBounds,
                                          ToplevelCapabilities};

wl_buffer* GreyBuffer(wl_shm* shm, int w, int h) {
    const int stride = w * 4, size = stride * h;
    const int fd = memfd_create("inhibit", 0);
    if (fd < 0 || ftruncate(fd, size) != 0) return nullptr;
    void* pixels = mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    std::memset(pixels, 0x80, size_t(size));
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, w, h, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

int Inhibit(wl_display* display, Globals& g) {
    if (!g.compositor || !g.shm || !g.wm || !g.inhibit) {
        std::fprintf(stderr, "no xdg_wm_base or idle inhibit manager\n");
        return 1;
    }
    xdg_wm_base_add_listener(g.wm, &kWm, nullptr);
    wl_surface* surface = wl_compositor_create_surface(g.compositor);
    xdg_surface* xdg = xdg_wm_base_get_xdg_surface(g.wm, surface);
    xdg_surface_add_listener(xdg, &kSurface, &g);
    xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdg);
    xdg_toplevel_add_listener(toplevel, &kToplevel, nullptr);
    xdg_toplevel_set_title(toplevel, "inhibitor");
    wl_surface_commit(surface);
    while (!g.configured)
        if (wl_display_dispatch(display) < 0) return 1;
    zwp_idle_inhibit_manager_v1_create_inhibitor(g.inhibit, surface);
    wl_surface_attach(surface, GreyBuffer(g.shm, 200, 150), 0, 0);
    wl_surface_commit(surface);
    wl_display_roundtrip(display);
    std::printf("inhibiting\n");
    std::fflush(stdout);
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}

int Fake(wl_display* display, Globals& g, const std::string& what) {
    if (!g.fake) {
        std::fprintf(stderr, "no org_kde_kwin_fake_input version 4\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(g.fake, "dormix tests", "input for the tests");
    if (what == "move") {
        org_kde_kwin_fake_input_pointer_motion(g.fake, wl_fixed_from_int(3), wl_fixed_from_int(2));
    } else {
        org_kde_kwin_fake_input_keyboard_key(g.fake, 30, WL_KEYBOARD_KEY_STATE_PRESSED);  // a
        org_kde_kwin_fake_input_keyboard_key(g.fake, 30, WL_KEYBOARD_KEY_STATE_RELEASED);
    }
    return wl_display_roundtrip(display) < 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what != "inhibit" && what != "move" && what != "key") {
        std::fprintf(stderr, "usage: %s inhibit|move|key\n", argv[0]);
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    Globals g;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, &g);
    wl_display_roundtrip(display);
    const int rc = what == "inhibit" ? Inhibit(display, g) : Fake(display, g, what);
    wl_display_disconnect(display);
    return rc;
}
