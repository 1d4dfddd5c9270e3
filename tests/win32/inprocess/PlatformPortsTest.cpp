// The Windows ports against the real system calls under Wine: the power-off
// service's checks and texts, the named mutex, the clock, the policy key's
// warnings, and the version and image resources of DormixL.exe.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/InstanceGuard.h"
#include "frontend/tray_win32/MutexMarker.h"
#include "frontend/tray_win32/Resources.h"
#include "log/ProgramError.h"
#include "platform/win32/log/LocalClock.h"
#include "platform/win32/power/TokenPowerApi.h"
#include "platform/win32/settings/PolicyKey.h"
#include "power/ShutdownService.h"
#include "ui/Inventory.h"

namespace dormix {
namespace {

// Forwards to the real calls and counts them.
class CountingPower final : public power::PowerApi {
  public:
    bool ReachPowerService() override { return ++calls, real.ReachPowerService(); }
    bool IdentifyProcess() override { return ++calls, real.IdentifyProcess(); }
    bool MayPowerOff(std::uint32_t a) override { return ++calls, real.MayPowerOff(a); }
    bool ClaimPowerOffRight() override { return ++calls, real.ClaimPowerOffRight(); }
    void ReleaseRights() override { ++calls, ++closes, real.ReleaseRights(); }
    bool RequestPowerOff(std::int32_t, std::uint32_t) override {
        ADD_FAILURE() << "must not ask for a power-off here";
        return false;
    }
    bool MaySleep(power::EndAction a) override { return ++calls, real.MaySleep(a); }
    bool RequestSleep(power::EndAction) override {
        ADD_FAILURE() << "must not ask for a sleep here";
        return false;
    }
    std::uint32_t LastError() override { return real.LastError(); }
    std::uint32_t ErrorText(std::uint32_t c, char* b, std::uint32_t n) override {
        return real.ErrorText(c, b, n);
    }
    win32_power::TokenPowerApi real;
    int calls = 0, closes = 0;
};

TEST(TokenPowerApi, FlagsOutOfRangeAreRefusedBeforeTheTokenIsTouched) {
    CountingPower api;
    power::ShutdownService service(api, "DormixL");
    for (int flags : {-1, 32}) {
        try {
            service.ShutdownSystem(flags);
            ADD_FAILURE() << "no error for " << flags;
        } catch (const ProgramError& e) {
            EXPECT_EQ(static_cast<std::uint32_t>(e.Number()), 0x8004062Fu);
            EXPECT_EQ(e.Description(),
                      "Invalid parameter to ShutdownSystem: " + std::to_string(flags));
            EXPECT_EQ(e.Source(), "DormixL.mShutDown");
        }
    }
    EXPECT_EQ(api.calls, 0);
}

TEST(TokenPowerApi, EnablesThePrivilegeAndClosesTheToken) {
    CountingPower api;
    power::ShutdownService service(api, "DormixL");
    EXPECT_TRUE(service.EnableShutdownPrivilege());
    EXPECT_EQ(api.calls, 5);  // look-up, process, token, adjust, close
    EXPECT_EQ(api.closes, 1);
}

TEST(TokenPowerApi, SystemTextsKeepTheirLineBreakAndUnknownCodesGiveNothing) {
    win32_power::TokenPowerApi api;
    power::ShutdownService service(api, "DormixL");
    const std::string denied = service.SystemErrorText(ERROR_ACCESS_DENIED);
    ASSERT_GE(denied.size(), 3u);
    EXPECT_EQ(denied.substr(denied.size() - 2), "\r\n");
    EXPECT_EQ(denied.find(' ', 0) != std::string::npos, true);
    EXPECT_EQ(service.SystemErrorText(0x2FFFFFFF), "");
}

TEST(MutexMarker, SecondCreateSeesTheFirstAndClosingReleasesIt) {
    tray_win32::MutexMarker marker;
    const std::string name = "DormixTest-" + std::to_string(GetCurrentProcessId());
    const auto first = marker.Create(name, true);
    ASSERT_NE(first.handle, 0u);
    EXPECT_FALSE(first.alreadyExists);
    const auto second = marker.Create(name, false);
    EXPECT_TRUE(second.alreadyExists);
    marker.Close(second.handle);
    marker.Close(first.handle);
    const auto again = marker.Create(name, true);
    EXPECT_FALSE(again.alreadyExists) << "nobody holds it any more";
    marker.Close(again.handle);
}

TEST(MutexMarker, TheGuardOverARealMutex) {
    tray_win32::MutexMarker marker;
    app::InstanceGuard first(marker), second(marker), third(marker);
    EXPECT_TRUE(first.MayStart(""));
    EXPECT_FALSE(second.MayStart("")) << "a second copy sees the mutex";
    EXPECT_TRUE(third.MayStart("-x -AllowMulti"));
}

TEST(LocalClock, MonthAsTheLocaleAbbreviatesIt) {
    SYSTEMTIME st{2026, 12, 1, 7, 8, 9, 10, 0};
    const auto t = win32_log::ToLocalTime(st);
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.day, 7);
    EXPECT_EQ(t.hour * 10000 + t.minute * 100 + t.second, 80910);
    EXPECT_EQ(t.monthAbbreviation, "Dec");
}

// What the policy key holds, and what the warnings say of it: a value of the
// wrong type or size by what it is, a misspelt name as unknown.
TEST(PolicyKey, WrongValuesAndUnknownNamesAreNamed) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Policies\\Dormix Lite", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const BYTE five[5] = {8, 7, 0, 0, 0};
    RegSetValueExA(key, "IdleLimitSeconds", 0, REG_DWORD, five, sizeof five);
    RegSetValueExA(key, "CountdownSeconds", 0, REG_SZ, reinterpret_cast<const BYTE*>("120"), 4);
    RegSetValueExA(key, "HoldLimitSeconds", 0, REG_BINARY, five, 4);
    const DWORD seconds = 1800;
    RegSetValueExA(key, "IdleLimitSecond", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seconds),
                   4);
    const std::string where = win32_settings::PolicyKeyName;
    win32_settings::PolicyKey policy;
    const settings::Effective effective = settings::Load(policy);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Policies\\Dormix Lite");
    RegCloseKey(key);
    EXPECT_EQ(effective.warnings,
              (std::vector<std::string>{
                  where + ": IdleLimitSeconds is a REG_DWORD of 5 bytes, not 4; ignored.",
                  where + ": CountdownSeconds is REG_SZ \"120\", not REG_DWORD; ignored.",
                  where + ": HoldLimitSeconds is REG_BINARY of 4 bytes, not REG_DWORD; ignored.",
                  where + ": unknown setting \"IdleLimitSecond\"; ignored."}));
    EXPECT_FALSE(effective.AnySet());
}

// ---- resources of DormixL.exe -------------------------------------------------

struct Module {
    Module() {
        const char* path = std::getenv("DORMIX_EXE");
        if (path) handle = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~Module() {
        if (handle) FreeLibrary(handle);
    }
    HMODULE handle = nullptr;
};

#pragma pack(push, 2)
struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bits;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

std::vector<GroupEntry> IconGroup(HMODULE m, int id) {
    HRSRC r = FindResourceA(m, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    if (!r) return {};
    auto* data = static_cast<const BYTE*>(LockResource(LoadResource(m, r)));
    const WORD count = *reinterpret_cast<const WORD*>(data + 4);
    const auto* e = reinterpret_cast<const GroupEntry*>(data + 6);
    return {e, e + count};
}

TEST(ProgramResources, IconGroupsAndBitmaps) {
    Module exe;
    ASSERT_NE(exe.handle, nullptr) << "DORMIX_EXE must name DormixL.exe";
    const auto program = IconGroup(exe.handle, IDI_PROGRAM);
    ASSERT_EQ(program.size(), 6u);
    const int sizes[] = {48, 32, 16, 48, 32, 16}, bits[] = {8, 8, 8, 32, 32, 32};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(program[i].id, 30001 + i);
        EXPECT_EQ(program[i].width, sizes[i]);
        EXPECT_EQ(program[i].bits, bits[i]);
        EXPECT_TRUE(
            FindResourceA(exe.handle, MAKEINTRESOURCEA(program[i].id), MAKEINTRESOURCEA(3)));
    }
    EXPECT_EQ(IconGroup(exe.handle, IDI_ABOUT).size(), 6u);
    const auto error = IconGroup(exe.handle, IDI_ERRORICON);
    ASSERT_EQ(error.size(), 2u);
    EXPECT_EQ(error[0].width, 32);
    EXPECT_EQ(error[1].width, 16);
    EXPECT_EQ(error[0].colours, 16);

    const struct {
        int id, width, height;
    } pictures[] = {{IDB_SMALLLOGO, ui::SmallLogoWidth, ui::SmallLogoHeight},
                    {IDB_ABOUTBACKGROUND, ui::AboutBackgroundWidth, ui::AboutBackgroundHeight}};
    for (const auto& pic : pictures) {
        HANDLE h = LoadImageA(exe.handle, MAKEINTRESOURCEA(pic.id), IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION);
        ASSERT_NE(h, nullptr);
        DIBSECTION ds{};
        GetObjectA(h, sizeof ds, &ds);
        EXPECT_EQ(ds.dsBm.bmWidth, pic.width);
        EXPECT_EQ(ds.dsBm.bmHeight, pic.height);
        EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
        DeleteObject(h);
    }
}

TEST(ProgramResources, VersionInformationMatchesTheInventory) {
    const char* path = std::getenv("DORMIX_EXE");
    ASSERT_NE(path, nullptr);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    const auto& v = ui::Version();
    const DWORD ms = MAKELONG(v.minor, v.major), ls = MAKELONG(v.revision, v.build);
    EXPECT_EQ(fixed->dwFileVersionMS, ms);
    EXPECT_EQ(fixed->dwFileVersionLS, ls);
    EXPECT_EQ(fixed->dwProductVersionMS, ms);
    EXPECT_EQ(fixed->dwProductVersionLS, ls);
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &len));
    EXPECT_EQ(translation[0], v.language);
    EXPECT_EQ(translation[1], v.codePage);
    const std::pair<const char*, std::string_view> fields[] = {
        {"FileVersion", v.fileVersionText},
        {"ProductVersion", v.fileVersionText},
        {"ProductName", v.productName},
        {"InternalName", v.internalName},
        {"OriginalFilename", v.originalFilename},
        {"FileDescription", v.fileDescription},
        {"Comments", v.comments},
        {"CompanyName", v.companyName},
        {"LegalCopyright", v.legalCopyright}};
    for (const auto& [name, expected] : fields) {
        char* value = nullptr;
        const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(
            VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &len))
            << name;
        EXPECT_EQ(std::string(value), expected) << name;
    }
}

}  // namespace
}  // namespace dormix
