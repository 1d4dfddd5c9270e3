// ext-idle-notify-v1 against a stand-in compositor (libwayland-server, in a
// child process) that takes its orders through a pipe: a seat withdrawn
// under an idle notification, and an idle inhibitor, which version 2 tells
// from input and version 1 cannot.
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
#include <string>
#include <vector>

#include "ext-idle-notify-v1-server-protocol.h"
#include "platform/linux/wayland/ExtIdleSource.h"

namespace dormix::testing {
namespace {

// The child: one seat and the notifier. Orders: 'i' nobody is there any
// more (every notification that may goes idle, and so does each made
// later, at once), 'h' a client takes an idle inhibitor, 'r' lets it go, 's'
// withdraws the seat, 'n' offers a new one. While inhibited, ordinary
// notifications do not go idle; input-only ones do. It answers each order
// with 'a', and each notification made with 'I' (input-only) or 'N'.
struct StandIn {
    struct Notification {
        wl_resource* resource;
        bool inputOnly, idle = false;
    };
    wl_display* display = wl_display_create();
    wl_global* seat = nullptr;
    std::vector<Notification> notifications;
    bool away = false, inhibited = false;
    int reply;

    void Idle(Notification& n) {
        if (!away || n.idle || (inhibited && !n.inputOnly)) return;
        n.idle = true;
        ext_idle_notification_v1_send_idled(n.resource);
    }
    static void Destroy(wl_client*, wl_resource* r) { wl_resource_destroy(r); }
    static void Make(wl_client* client, wl_resource* notifier, std::uint32_t id, bool inputOnly) {
        auto* self = static_cast<StandIn*>(wl_resource_get_user_data(notifier));
        wl_resource* r = wl_resource_create(client, &ext_idle_notification_v1_interface,
                                            wl_resource_get_version(notifier), id);
        static const struct ext_idle_notification_v1_interface kNotification { Destroy };
        wl_resource_set_implementation(r, &kNotification, self, [](wl_resource* gone) {
            auto* s = static_cast<StandIn*>(wl_resource_get_user_data(gone));
            std::erase_if(s->notifications,
                          [&](const Notification& n) { return n.resource == gone; });
        });
        self->notifications.push_back({r, inputOnly});
        self->Idle(self->notifications.back());
        self->Tell(inputOnly ? 'I' : 'N');
    }
    static void Ordinary(wl_client* c, wl_resource* n, std::uint32_t id, std::uint32_t,
                         wl_resource*) {
        Make(c, n, id, false);
    }
    static void InputOnly(wl_client* c, wl_resource* n, std::uint32_t id, std::uint32_t,
                          wl_resource*) {
        Make(c, n, id, true);
    }
    static void BindNotifier(wl_client* client, void* data, std::uint32_t version,
                             std::uint32_t id) {
        static const struct ext_idle_notifier_v1_interface kNotifier {
            Destroy, Ordinary, InputOnly
        };
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
        self->away |= order == 'i';
        if (order == 'h' || order == 'r') self->inhibited = order == 'h';
        for (Notification& n : self->notifications) self->Idle(n);
        if (order == 's') wl_global_destroy(std::exchange(self->seat, nullptr));
        if (order == 'n')
            self->seat = wl_global_create(self->display, &wl_seat_interface, 1, self, BindSeat);
        wl_display_flush_clients(self->display);
        self->Tell('a');
        return 0;
    }
    void Tell(char c) { (void)!write(reply, &c, 1); }

    [[noreturn]] void Run(const char* socket, int orders, int version) {
        wl_display_add_socket(display, socket);
        wl_global_create(display, &ext_idle_notifier_v1_interface, version, this, BindNotifier);
        seat = wl_global_create(display, &wl_seat_interface, 1, this, BindSeat);
        wl_event_loop_add_fd(wl_display_get_event_loop(display), orders, WL_EVENT_READABLE, Order,
                             this);
        Tell('r');
        wl_display_run(display);
        _exit(0);
    }
};

struct ExtIdleStandIn : ::testing::Test {
    std::filesystem::path runtime =
        std::filesystem::temp_directory_path() / ("dormix-seat-" + std::to_string(getpid()));
    int orders[2], replies[2];
    pid_t child = -1;
    std::string made;  // notifications made and not yet awaited, 'I' or 'N' each

    void SetUp() override {
        std::filesystem::create_directories(runtime);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    void TearDown() override {
        Stop();
        std::filesystem::remove_all(runtime);
    }
    void Start(int version = 2) {
        const std::string socket = "wayland-idle-test-" + std::to_string(version);
        ::setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
        ASSERT_EQ(pipe(orders), 0);
        ASSERT_EQ(pipe(replies), 0);
        child = fork();
        if (child == 0) {
            close(orders[1]);
            StandIn standIn;
            standIn.reply = replies[1];
            standIn.Run(socket.c_str(), orders[0], version);
        }
        close(orders[0]);
        close(replies[1]);
        made.clear();
        ASSERT_EQ(Next(), 'r');
    }
    void Stop() {
        if (child < 0) return;
        close(orders[1]);  // the child ends when its orders end
        for (int i = 0; i < 500 && waitpid(child, nullptr, WNOHANG) == 0; ++i) usleep(10000);
        if (kill(child, SIGKILL) == 0) waitpid(child, nullptr, 0);
        close(replies[0]);
        child = -1;
    }
    // The child's next byte, within five seconds; 0 when none came.
    char Next() {
        pollfd p{replies[0], POLLIN, 0};
        char c = 0;
        return poll(&p, 1, 5000) == 1 && read(replies[0], &c, 1) == 1 ? c : 0;
    }
    void Order(char order) {
        ASSERT_EQ(write(orders[1], &order, 1), 1);
        for (char c = Next(); c != 'a'; c = Next()) {
            ASSERT_NE(c, 0) << "no answer to " << order;
            made += c;
        }
    }
    // Waits until the program has made a notification of this kind.
    bool Made(char kind) {
        for (;;) {
            if (const auto at = made.find(kind); at != std::string::npos) {
                made.erase(at, 1);
                return true;
            }
            const char c = Next();
            if (c == 0) return false;
            made += c;
        }
    }
};

TEST_F(ExtIdleStandIn, AWithdrawnSeatCountsAsUseUntilANewOneReports) {
    Start();
    auto connection = linux_wayland::WaylandConnection::Open();
    ASSERT_NE(connection, nullptr);
    auto source = linux_wayland::ExtIdleSource::Open(connection);
    ASSERT_NE(source, nullptr);
    ASSERT_TRUE(Made('I'));
    EXPECT_TRUE(source->ActiveSinceLastSample());  // not idle yet
    Order('i');
    EXPECT_FALSE(source->ActiveSinceLastSample());

    Order('s');
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(source->ActiveSinceLastSample());
    EXPECT_TRUE(source->LastAnswerFailed());

    Order('n');
    EXPECT_TRUE(source->ActiveSinceLastSample());  // made again: idle at once, read next time
    EXPECT_FALSE(source->LastAnswerFailed());
    ASSERT_TRUE(Made('I'));
    Order('i');
    EXPECT_FALSE(source->ActiveSinceLastSample());
}

// An inhibitor taken while nobody is there: version 2's input-only main
// notification stays idle and its ordinary probe does not go idle, which is
// a hold the cycle caps; version 1 sees only the probe and counts use.
TEST_F(ExtIdleStandIn, AnInhibitorIsAHoldWithVersion2AndUseWithVersion1) {
    for (const int version : {2, 1}) {
        SCOPED_TRACE("version " + std::to_string(version));
        Start(version);
        auto connection = linux_wayland::WaylandConnection::Open();
        ASSERT_NE(connection, nullptr);
        auto source = linux_wayland::ExtIdleSource::Open(connection);
        ASSERT_NE(source, nullptr);
        std::int64_t now = 0;
        source->clockMs = [&] { return now; };
        const auto sample = [&] {
            now += 1000;
            return source->ActiveSinceLastSample();
        };
        const std::vector<std::string> held = {"a program (ext-idle-notify-v1: an idle inhibitor)"};
        const bool use = version == 1;
        ASSERT_TRUE(Made(use ? 'N' : 'I'));
        Order('i');
        Order('h');
        EXPECT_FALSE(sample());  // the probe made
        ASSERT_TRUE(Made('N'));
        EXPECT_FALSE(sample());
        for (int i = 0; i < 10; ++i) EXPECT_EQ(sample(), use);  // its 2 s passed, still not idle
        EXPECT_EQ(source->Ask().holders, use ? std::vector<std::string>{} : held);
        EXPECT_EQ(source->Ask().failure, "");

        Order('r');  // let go: the probe goes idle
        EXPECT_FALSE(sample());
        EXPECT_TRUE(source->Ask().holders.empty());
        source.reset();
        Stop();
    }
}

}  // namespace
}  // namespace dormix::testing
