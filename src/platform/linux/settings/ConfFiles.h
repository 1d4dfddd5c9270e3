#pragma once

#include <string>

#include "settings/Settings.h"

namespace dormix::linux_settings {

// /etc/dormix-lite/dormix-lite.conf, then /etc/dormix-lite/conf.d/*.conf in
// name order. A file that root does not own, or that others may write, is
// passed over with a warning: whoever could write it could otherwise
// choose when everybody's machine switches off. Nothing in a user's home
// is read.
class ConfFiles final : public settings::SettingsSource {
  public:
    explicit ConfFiles(std::string directory = "/etc/dormix-lite");
    settings::Reading Read() override;

  private:
    std::string directory_;
};

}  // namespace dormix::linux_settings
