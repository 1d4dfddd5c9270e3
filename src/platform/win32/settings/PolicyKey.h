#pragma once

#include "settings/Settings.h"

namespace dormix::win32_settings {

// HKLM\SOFTWARE\Policies\Dormix Lite: where Group Policy (through the ADMX
// template) and the MSI's IDLELIMIT, COUNTDOWN, HOLDLIMIT, ALLOWEXIT and
// SCHEDULE put the settings: REG_DWORD values, and Schedule a REG_MULTI_SZ
// of one window a string. Only the machine's key is read; a user has no say.
class PolicyKey final : public settings::SettingsSource {
  public:
    settings::Reading Read() override;
};

// "HKLM\SOFTWARE\Policies\Dormix Lite", as warnings name it.
extern const char* const PolicyKeyName;

}  // namespace dormix::win32_settings
