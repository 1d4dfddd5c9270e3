#include "platform/linux/logind/LogindSignals.h"

#include <systemd/sd-bus.h>

#include <cstring>

#include "platform/linux/logind/LogindBus.h"

namespace dormix::linux_logind {

namespace {

constexpr const char* BusService = "org.freedesktop.DBus";

bool Broadcast(sd_bus_message* m) { return sd_bus_message_get_destination(m) == nullptr; }

bool SentBy(sd_bus_message* m, const char* name) {
    const char* sender = sd_bus_message_get_sender(m);
    return sender && name && *name && std::strcmp(sender, name) == 0;
}

}  // namespace

int LogindSignals::Follow(sd_bus* bus) {
    Drop();
    const auto onOwnerChanged = [](sd_bus_message* m, void* self, sd_bus_error*) {
        const char *name = nullptr, *before = nullptr, *after = nullptr;
        // Only the bus daemon speaks for the bus's names.
        if (Broadcast(m) && SentBy(m, BusService) &&
            sd_bus_message_read(m, "sss", &name, &before, &after) >= 0 &&
            std::strcmp(name, LogindService) == 0)
            static_cast<LogindSignals*>(self)->owner_ = after;
        return 0;
    };
    const auto onOwner = [](sd_bus_message* reply, void* self, sd_bus_error*) {
        auto* signals = static_cast<LogindSignals*>(self);
        signals->ownerAsked_ = sd_bus_slot_unref(signals->ownerAsked_);
        const char* owner = nullptr;
        // No owner (logind not running): nothing is believed until one comes.
        if (!sd_bus_message_is_method_error(reply, nullptr) &&
            sd_bus_message_read(reply, "s", &owner) >= 0)
            signals->owner_ = owner;
        return 0;
    };
    const std::string rule = std::string("type='signal',sender='") + BusService +
                             "',path='/org/freedesktop/DBus',interface='" + BusService +
                             "',member='NameOwnerChanged',arg0='" + LogindService + "'";
    int r =
        sd_bus_add_match_async(bus, &ownerChanged_, rule.c_str(), onOwnerChanged, nullptr, this);
    if (r >= 0)
        r = sd_bus_call_method_async(bus, &ownerAsked_, BusService, "/org/freedesktop/DBus",
                                     BusService, "GetNameOwner", onOwner, this, "s", LogindService);
    if (r < 0) Drop();
    return r;
}

void LogindSignals::Drop() {
    ownerChanged_ = sd_bus_slot_unref(ownerChanged_);
    ownerAsked_ = sd_bus_slot_unref(ownerAsked_);
    owner_.clear();
}

bool LogindSignals::FromLogind(sd_bus_message* signal) const {
    return Broadcast(signal) && SentBy(signal, owner_.c_str());
}

}  // namespace dormix::linux_logind
