#pragma once
// Which of logind's signals to believe. A match on logind's well-known name
// does not protect a connection: any local user may send a signal straight
// to it (a unicast with our unique name as its destination), naming logind's
// path and interface, and sd-bus cannot check a well-known sender itself.
// The bus does stamp every message with its true sender's unique name, so a
// signal is believed only when it is a broadcast from the unique name that
// owns org.freedesktop.login1 now: asked with GetNameOwner, and followed on
// the bus daemon's own NameOwnerChanged when logind restarts.

#include <string>

struct sd_bus;
struct sd_bus_message;
struct sd_bus_slot;

namespace dormix::linux_logind {

class LogindSignals {
  public:
    LogindSignals() = default;
    ~LogindSignals() { Drop(); }
    LogindSignals(const LogindSignals&) = delete;
    LogindSignals& operator=(const LogindSignals&) = delete;

    // Subscribes to logind's changes of owner on `bus` and asks for the
    // owner now; both answers come as the bus is processed. Returns 0 or a
    // negative errno.
    int Follow(sd_bus* bus);
    void Drop();
    // A broadcast from logind's current owner.
    bool FromLogind(sd_bus_message* signal) const;
    const std::string& Owner() const { return owner_; }

  private:
    std::string owner_;
    sd_bus_slot* ownerChanged_ = nullptr;
    sd_bus_slot* ownerAsked_ = nullptr;
};

}  // namespace dormix::linux_logind
