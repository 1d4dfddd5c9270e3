#pragma once
// Child-window, timer and resource ids, all derived from the inventory's
// enums so the test driver and the windows agree without a hand-kept list.

#include "platform/win32/WinApi.h"
#include "ui/Inventory.h"

namespace dormix::tray_win32 {

inline constexpr int ControlIdBase = 1000;
constexpr int ControlId(ui::Ctl c) { return ControlIdBase + static_cast<int>(c); }

inline constexpr UINT_PTR RefreshTimerId = 1;  // tmrRefresh on DormixMain
inline constexpr UINT_PTR AboutTimerId = 2;    // Timer1 on frmAbout

// Window classes.
inline constexpr const char* MainClass = "DormixMain";
inline constexpr const char* AboutClass = "frmAbout";
inline constexpr const char* NoticeClass = "MultiInst";

}  // namespace dormix::tray_win32
