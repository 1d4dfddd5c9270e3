#pragma once

#include "settings/Settings.h"

namespace dormix::win32_settings {

// HKLM\SOFTWARE\Policies\Dormix Lite: where Group Policy (through the ADMX
// template) and the MSI's IDLELIMIT and COUNTDOWN put the settings, as
// REG_DWORD values. Only the machine's key is read; a user has no say.
class PolicyKey final : public settings::SettingsSource {
  public:
    settings::Reading Read() override;
};

// "HKLM\SOFTWARE\Policies\Dormix Lite", as warnings name it.
extern const char* const PolicyKeyName;

}  // namespace dormix::win32_settings
