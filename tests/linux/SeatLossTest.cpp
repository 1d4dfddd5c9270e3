// A compositor that withdraws the seat its idle notification was made on:
// a stand-in compositor (libwayland-server, in a child process) offering
// ext-idle-notify-v1 takes its orders through a pipe.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-server-core.h>
#include <wayland-server-protocol.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "ext-idle-notify-v1-server-protocol.h"
#include "monitor/wayland/ExtIdleSource.h"

namespace dormix::testing {
namespace {

// The child: one seat and the notifier; 'i' sends "idled" to every
// notification, 's' withdraws the seat, 'n' offers a new one. It answers
// each order, and each notification made, with one byte.
struct StandIn {
    wl_display* display = wl_display_create();
    wl_global* seat = nullptr;
    std::vector<wl_resource*> notifications;
    int reply;

    static void Destroy(wl_client*, wl_resource* r) { wl_resource_destroy(r); }
    static void Made(wl_client* client, wl_resource* notifier, std::uint32_t id) {
        auto* self = static_cast<StandIn*>(wl_resource_get_user_data(notifier));
        wl_resource* r = wl_resource_create(client, &ext_idle_notification_v1_interface, 2, id);
        static const struct ext_idle_notification_v1_interface kNotification { Destroy };
        wl_resource_set_implementation(r, &kNotification, self, [](wl_resource* gone) {
            auto* s = static_cast<StandIn*>(wl_resource_get_user_data(gone));
            std::erase(s->notifications, gone);
        });
        self->notifications.push_back(r);
        self->Tell('N');
    }
    static void Idle(wl_client* c, wl_resource* n, std::uint32_t id, std::uint32_t, wl_resource*) {
        Made(c, n, id);
    }
    static void BindNotifier(wl_client* client, void* data, std::uint32_t version,
                             std::uint32_t id) {
        static const struct ext_idle_notifier_v1_interface kNotifier { Destroy, Idle, Idle };
        wl_resource* r = wl_resource_create(client, &ext_idle_notifier_v1_interface, version, id);
        wl_resource_set_implementation(r, &kNotifier, data, nullptr);
    }
    static void BindSeat(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
        wl_resource_create(client, &wl_seat_interface, version, id);
    }
    static int Order(int fd, std::uint32_t, void* data) {
        auto* self = static_cast<StandIn*>(data);
        char order = 0;
        if (read(fd, &order, 1) != 1) wl_display_terminate(self->display);
        if (order == 'i')
            for (wl_resource* r : self->notifications) ext_idle_notification_v1_send_idled(r);
        if (order == 's') wl_global_destroy(std::exchange(self->seat, nullptr));
        if (order == 'n')
            self->seat = wl_global_create(self->display, &wl_seat_interface, 1, self, BindSeat);
        wl_display_flush_clients(self->display);
        self->Tell('a');
        return 0;
    }
    void Tell(char c) { (void)!write(reply, &c, 1); }

    [[noreturn]] void Run(const char* socket, int orders) {
        wl_display_add_socket(display, socket);
        wl_global_create(display, &ext_idle_notifier_v1_interface, 2, this, BindNotifier);
        seat = wl_global_create(display, &wl_seat_interface, 1, this, BindSeat);
        wl_event_loop_add_fd(wl_display_get_event_loop(display), orders, WL_EVENT_READABLE, Order,
                             this);
        Tell('r');
        wl_display_run(display);
        _exit(0);
    }
};

struct SeatLoss : ::testing::Test {
    std::filesystem::path runtime =
        std::filesystem::temp_directory_path() / ("dormix-seat-" + std::to_string(getpid()));
    int orders[2], replies[2];
    pid_t child = -1;

    void SetUp() override {
        std::filesystem::create_directories(runtime);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("WAYLAND_DISPLAY", "wayland-seat-test", 1);
        ASSERT_EQ(pipe(orders), 0);
        ASSERT_EQ(pipe(replies), 0);
        child = fork();
        if (child == 0) {
            close(orders[1]);
            StandIn standIn;
            standIn.reply = replies[1];
            standIn.Run("wayland-seat-test", orders[0]);
        }
        close(orders[0]);
        close(replies[1]);
        ASSERT_EQ(Next(), 'r');
    }
    void TearDown() override {
        close(orders[1]);  // the child ends when its orders end
        for (int i = 0; i < 500 && waitpid(child, nullptr, WNOHANG) == 0; ++i) usleep(10000);
        if (kill(child, SIGKILL) == 0) waitpid(child, nullptr, 0);
        close(replies[0]);
        std::filesystem::remove_all(runtime);
    }
    // The child's next byte, within five seconds; 0 when none came.
    char Next() {
        pollfd p{replies[0], POLLIN, 0};
        char c = 0;
        return poll(&p, 1, 5000) == 1 && read(replies[0], &c, 1) == 1 ? c : 0;
    }
    void Order(char order) {
        ASSERT_EQ(write(orders[1], &order, 1), 1);
        ASSERT_EQ(Next(), 'a');
    }
};

TEST_F(SeatLoss, AWithdrawnSeatCountsAsUseUntilANewOneReports) {
    auto connection = monitor::wayland::WaylandConnection::Open();
    ASSERT_NE(connection, nullptr);
    auto source = monitor::wayland::ExtIdleSource::Open(connection);
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(Next(), 'N');
    EXPECT_TRUE(source->ActiveSinceLastSample());  // not idle yet
    Order('i');
    EXPECT_FALSE(source->ActiveSinceLastSample());

    Order('s');
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(source->ActiveSinceLastSample());
    EXPECT_TRUE(source->LastAnswerFailed());

    Order('n');
    EXPECT_TRUE(source->ActiveSinceLastSample());  // made again, not idle yet
    EXPECT_FALSE(source->LastAnswerFailed());
    ASSERT_EQ(Next(), 'N');
    Order('i');
    EXPECT_FALSE(source->ActiveSinceLastSample());
}

}  // namespace
}  // namespace dormix::testing
