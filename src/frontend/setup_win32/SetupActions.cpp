// The MSI's custom actions: DormixSetup.dll, in the package's Binary table.
// CheckSettings runs before the install's script is written, so that a
// property the program could not use fails the install before anything has
// changed; it also notes how the watch's service and the policy are now and
// hands each deferred action (which cannot read the install's properties)
// and each rollback action (which must put back what was there) its data.
// A rollback action may run although its deferred action never did (Wine
// runs every one scheduled): putting back the state from before is
// harmless then.
#include <windows.h>
// After windows.h, which they build on.
#include <msi.h>
#include <msiquery.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "frontend/setup_win32/ActionData.h"
#include "frontend/setup_win32/PolicySetup.h"
#include "frontend/setup_win32/RunningCopies.h"
#include "frontend/setup_win32/WatchServiceSetup.h"
#include "settings/Settings.h"
#include "ui/Texts.h"

namespace dormix::setup_win32 {

namespace {

constexpr DWORD IcaclsPatienceMs = 30000;

// The properties a roll-out passes, and the settings they write.
struct PolicyProperty {
    const wchar_t* property;
    std::string_view setting;
};
constexpr PolicyProperty PolicyProperties[] = {{L"IDLELIMIT", "IdleLimitSeconds"},
                                               {L"COUNTDOWN", "CountdownSeconds"},
                                               {L"HOLDLIMIT", "HoldLimitSeconds"},
                                               {L"ALLOWEXIT", "AllowExit"}};

const settings::SettingInfo& Setting(std::string_view name) {
    for (const auto& info : settings::Table)
        if (info.name == name) return info;
    std::terminate();  // every property names a setting
}

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
    wchar_t none[1] = L"";
    DWORD size = 0;
    if (MsiGetPropertyW(install, name, none, &size) != ERROR_MORE_DATA) return {};
    std::wstring value(++size, L'\0');
    if (MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) return {};
    value.resize(size);
    return value;
}

// What CheckSettings handed the running deferred or rollback action.
std::vector<Field> Data(MSIHANDLE install) {
    return Fields(Property(install, L"CustomActionData"));
}

std::wstring Value(const std::vector<Field>& fields, const wchar_t* key) {
    for (const auto& [k, v] : fields)
        if (k == key) return v;
    return {};
}

// A line in the install's log; an error is also shown where the install
// shows anything (never under /qn).
void Say(MSIHANDLE install, const std::wstring& text, bool error = false) {
    PMSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringW(record, 0, L"[1]");
    MsiRecordSetStringW(record, 1, text.c_str());
    const UINT kind =
        error ? UINT(INSTALLMESSAGE_ERROR) | MB_OK | MB_ICONERROR : UINT(INSTALLMESSAGE_INFO);
    MsiProcessMessage(install, INSTALLMESSAGE(kind), record);
}

UINT Refuse(MSIHANDLE install, const std::vector<std::wstring>& problems) {
    std::wstring text;
    for (const std::wstring& problem : problems) text += problem + L".\r\n";
    Say(install, text + L"Nothing was installed or changed.", true);
    return ERROR_INSTALL_FAILURE;
}

// SCHEDULE: the windows parted by ";", each as the program reads it, at
// most as many as it keeps. True with the windows, blanks trimmed and
// empty ones left out, in `lines`; false with a problem for each bad one.
bool CheckSchedule(const std::wstring& value, std::wstring& lines,
                   std::vector<std::wstring>& problems) {
    const std::size_t before = problems.size();
    std::size_t count = 0, from = 0;
    for (int number = 1; from <= value.size(); ++number) {
        const std::size_t end = std::min(value.find(L';', from), value.size());
        std::string line = Narrow(value.substr(from, end - from));
        from = end + 1;
        line.erase(0, line.find_first_not_of(" \t"));
        line.erase(line.find_last_not_of(" \t") + 1);
        if (line.empty()) continue;
        monitor::ScheduleWindow window;
        if (const std::string why = settings::ReadWindow(line, window); !why.empty()) {
            problems.push_back(L"SCHEDULE window " + std::to_wstring(number) + L" \"" +
                               Wide(settings::Quoted(line)) + L"\": " + Wide(why));
            continue;
        }
        if (++count > monitor::MostWindows) {
            problems.push_back(L"SCHEDULE has more than " + std::to_wstring(monitor::MostWindows) +
                               L" windows");
            break;
        }
        lines += (lines.empty() ? L"" : L";") + Wide(line);
    }
    return problems.size() == before;
}

// The folders' rules are set late in the script, after the version before
// has gone; an icacls that cannot even show the rules of the Log folder an
// earlier install left will not set them, so that fails here instead.
void CheckIcacls(const std::wstring& icacls, const std::wstring& log,
                 std::vector<std::wstring>& problems) {
    const DWORD kind = GetFileAttributesW(log.c_str());
    if (kind == INVALID_FILE_ATTRIBUTES || !(kind & FILE_ATTRIBUTE_DIRECTORY)) return;
    const long code = RunHidden(L"\"" + icacls + L"\" \"" + log + L"\"", IcaclsPatienceMs);
    if (code < 0)
        problems.push_back(L"icacls did not run, so it could not set the Log folder's permissions");
    else if (code != 0)
        problems.push_back(L"icacls cannot read the permissions of the Log folder (status " +
                           std::to_wstring(code) + L"), so it could not set them");
}

UINT CheckAndPlan(MSIHANDLE install) {
    std::vector<std::wstring> problems, names;
    std::vector<Field> writes;
    for (const PolicyProperty& p : PolicyProperties) {
        const std::wstring value = Property(install, p.property);
        if (value.empty()) continue;
        std::int32_t seconds = 0;
        const std::string why =
            settings::CheckValue(Setting(p.setting), Narrow(p.property), Narrow(value), seconds);
        if (!why.empty()) {
            problems.push_back(Wide(why));
            continue;
        }
        names.push_back(Wide(p.setting));
        writes.emplace_back(names.back(), std::to_wstring(seconds));
    }
    const std::wstring schedule = Property(install, L"SCHEDULE");
    if (!schedule.empty()) {
        std::wstring lines;
        if (CheckSchedule(schedule, lines, problems)) {
            names.push_back(Wide(settings::ScheduleName));
            writes.emplace_back(names.back(), lines);
        }
    }
    // IDLEACTION, as ACTION is the installer's own (INSTALL, ADMIN...).
    const std::wstring action = Property(install, L"IDLEACTION");
    if (!action.empty()) {
        power::EndAction chosen{};
        if (const std::string why = settings::CheckAction("IDLEACTION", Narrow(action), chosen);
            !why.empty()) {
            problems.push_back(Wide(why));
        } else {
            names.push_back(Wide(settings::ActionName));
            writes.emplace_back(names.back(),
                                Wide(text::ActionSettingWords[static_cast<int>(chosen)]));
        }
    }
    const std::wstring watch = Property(install, L"WATCH");
    if (!watch.empty() && watch != L"0" && watch != L"1")
        problems.push_back(L"WATCH=" + Wide(settings::Quoted(Narrow(watch))) +
                           L" is neither 1 (the watch on) nor 0 (off)");
    const std::wstring folder = Property(install, L"INSTALLDIR");
    const bool remove = Property(install, L"REMOVE") == L"ALL";
    if (!remove) CheckIcacls(Property(install, L"ICACLS"), folder + L"Log", problems);
    if (!problems.empty()) return Refuse(install, problems);

    // Without WATCH a watch that is on stays on.
    const WatchState before = ReadWatch();
    const bool on =
        watch == L"1" || (watch.empty() && before.exists && before.start == SERVICE_AUTO_START);
    // A major upgrade's removal of the version before only stops the watch:
    // the new version sets the same service up again, with no deletion to
    // wait for.
    const bool deleteWatch = remove && Property(install, L"UPGRADINGPRODUCTCODE").empty();
    const std::wstring path = L"\"" + folder + L"DormixWatch.exe\"";
    MsiSetPropertyW(install, L"RestoreWatch", before.Encoded().c_str());
    MsiSetPropertyW(install, L"StopWatch", deleteWatch ? L"remove=1" : L"remove=0");
    MsiSetPropertyW(install, L"EndTray", (folder + L"DormixL.exe").c_str());
    MsiSetPropertyW(install, L"InstallWatch",
                    Joined({{L"start", std::to_wstring(on ? SERVICE_AUTO_START : SERVICE_DISABLED)},
                            {L"path", path}})
                        .c_str());
    MsiSetPropertyW(install, L"RestorePolicy", ReadPolicyAsIs(names).c_str());
    MsiSetPropertyW(install, L"WritePolicy", Joined(writes).c_str());
    return ERROR_SUCCESS;
}

template <typename F>
UINT Guarded(MSIHANDLE install, F&& action) {
    try {
        return action();
    } catch (const std::exception& e) {
        Say(install, Wide(e.what()), true);
    } catch (...) {
    }
    return ERROR_INSTALL_FAILURE;
}

}  // namespace

}  // namespace dormix::setup_win32

using namespace dormix::setup_win32;

extern "C" {

// Immediate, before InstallInitialize: nothing is in the script yet.
UINT WINAPI CheckSettings(MSIHANDLE install) {
    return Guarded(install, [&] { return CheckAndPlan(install); });
}

// Deferred, before the files: the watch holds its executable while it runs.
// A watch that will not stop or go leaves the install to go on: the
// service is set up again over it.
UINT WINAPI StopWatch(MSIHANDLE install) {
    return Guarded(install, [&] {
        std::wstring why;
        if (!dormix::setup_win32::StopWatch(Value(Data(install), L"remove") == L"1", why))
            Say(install, L"DormixLiteWatch: " + why);
        return UINT(ERROR_SUCCESS);
    });
}

// Deferred, after the watch has stopped (it would start a copy again) and
// before the files go: the tray program's copies from this folder end.
// Never fails the run: a copy that would not end is named in the log.
UINT WINAPI EndTray(MSIHANDLE install) {
    return Guarded(install, [&] {
        std::wstring why;
        const int running = EndRunningCopies(Property(install, L"CustomActionData"), why);
        Say(install, L"DormixL.exe: copies running before: " + std::to_wstring(running) +
                         (why.empty() ? L"" : L"; still running (process ids): " + why));
        return UINT(ERROR_SUCCESS);
    });
}

// The same for the NSIS installer and its uninstaller, called through their
// System plug-in with the program's path: 0 when no copy is left running.
int WINAPI EndTrayCopies(const wchar_t* exePath) {
    std::wstring why;
    try {
        EndRunningCopies(exePath ? exePath : L"", why);
    } catch (...) {
        return 1;
    }
    return why.empty() ? 0 : 1;
}

// Deferred, after the files and the folders' rules.
UINT WINAPI InstallWatch(MSIHANDLE install) {
    return Guarded(install, [&] {
        const std::vector<Field> data = Data(install);
        const DWORD start = std::wcstoul(Value(data, L"start").c_str(), nullptr, 10);
        std::wstring why;
        if (ApplyWatch(start, Value(data, L"path"), start == SERVICE_AUTO_START, why))
            return UINT(ERROR_SUCCESS);
        Say(install, L"DormixLiteWatch: " + why, true);
        return UINT(ERROR_INSTALL_FAILURE);
    });
}

// Rollback of StopWatch and InstallWatch both.
UINT WINAPI RestoreWatch(MSIHANDLE install) {
    Guarded(install, [&] {
        dormix::setup_win32::RestoreWatch(
            WatchState::Decoded(Property(install, L"CustomActionData")));
        return UINT(ERROR_SUCCESS);
    });
    return ERROR_SUCCESS;
}

UINT WINAPI WritePolicy(MSIHANDLE install) {
    return Guarded(install, [&] {
        const PolicyValues values = Data(install);
        std::wstring why;
        if (dormix::setup_win32::WritePolicy(values, why)) return UINT(ERROR_SUCCESS);
        Say(install, L"HKLM\\SOFTWARE\\Policies\\Dormix Lite: " + why, true);
        return UINT(ERROR_INSTALL_FAILURE);
    });
}

UINT WINAPI RestorePolicy(MSIHANDLE install) {
    Guarded(install, [&] {
        dormix::setup_win32::RestorePolicy(Property(install, L"CustomActionData"));
        return UINT(ERROR_SUCCESS);
    });
    return ERROR_SUCCESS;
}

}  // extern "C"
