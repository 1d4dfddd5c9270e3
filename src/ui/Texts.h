#pragma once
// Every caption, message and log word the program shows or writes, each
// written once and whole: a text with values in it is one format string,
// each "{}" taking the next value (Fill), so a search for any sentence a
// user sees finds it here.

#include <initializer_list>
#include <string>
#include <string_view>

#include "ui/Version.h"

namespace dormix::text {

// A sentence with its values: each "{}" of `format` takes the next value.
// FillInto reuses `out`'s memory, for texts made every second.
inline void FillInto(std::string& out, std::string_view format,
                     std::initializer_list<std::string_view> values) {
    out.clear();
    auto value = values.begin();
    for (std::size_t at = 0; at < format.size();) {
        const std::size_t slot = format.find("{}", at);
        out.append(format.substr(at, slot - at));
        if (slot == std::string_view::npos) break;
        if (value != values.end()) out.append(*value++);
        at = slot + 2;
    }
}
inline std::string Fill(std::string_view format, std::initializer_list<std::string_view> values) {
    std::string out;
    FillInto(out, format, values);
    return out;
}
// The words of `format` before its slot number `slot` (0 the first), after
// the slot before it: what a reader of the text looks for around a value.
constexpr std::string_view Piece(std::string_view format, int slot) {
    std::size_t from = 0;
    for (; slot > 0; --slot) from = format.find("{}", from) + 2;
    return format.substr(from, format.find("{}", from) - from);
}

inline constexpr std::string_view ProductTitle = "Dormix Lite";
inline constexpr std::string_view ProductWord = "Dormix";  // mutex name, first design caption
inline constexpr std::string_view VersionLine = "Version {}";
inline constexpr std::string_view ExeBaseName = "DormixL";
inline constexpr std::string_view ShutdownSource = "{}.mShutDown";
// The system watch on Windows: the service's name, and its display name,
// which is also its event source, so that its events stand apart from the
// tray program's.
inline constexpr std::string_view WatchServiceName = "DormixLiteWatch";
inline constexpr std::string_view WatchTitle = "Dormix Lite Watch";
inline constexpr std::string_view WatchDescription =
    "Switches the computer off when nobody has been logged on to it for the idle limit.";

// Command-line switches.
inline constexpr std::string_view SwitchInhibitShutdown = "-InhibitShutdown";
// The Windows watch without its own power-off: it only keeps the tray
// program running where the administrator set AllowExit=0.
inline constexpr std::string_view SwitchKeepOnly = "-KeepOnly";
inline constexpr std::string_view SwitchAllowMulti = "-AllowMulti";
// The warning about arguments no switch uses, on stderr: the program, the
// arguments, and whether the run is real.
inline constexpr std::string_view ArgumentIgnored =
    "{}: ignoring \"{}\": the switches are -InhibitShutdown and -AllowMulti, matched exactly; {}";
inline constexpr std::string_view ArgumentRunIsReal = "this run will power off for real";
inline constexpr std::string_view ArgumentRunSimulates = "this run only simulates the power-off";

// Monitor cycle and main window. What the countdown ends in, as the window
// and the log name it (one log field wide), in the order of power::EndAction;
// the administrator's word for each; and the verb a sentence uses.
inline constexpr std::string_view ActionPowerOff = "Power Off";
inline constexpr std::string_view ActionWords[] = {ActionPowerOff, "Hibernate", "Sleep"};
inline constexpr std::string_view ActionSettingWords[] = {"PowerOff", "Hibernate", "Sleep"};
inline constexpr std::string_view ActionVerbs[] = {"power off", "hibernate", "sleep"};
// The action, the idle limit.
inline constexpr std::string_view Title =
    "{} the computer if there is no input activity for over {} sec";
// While the administrator's schedule has a window without an idle limit.
inline constexpr std::string_view TitleNever =
    "No {} now: the administrator's schedule keeps the computer on";
// The counter: seconds.
inline constexpr std::string_view ActivationIn = "Program Activation In {}s";
inline constexpr std::string_view NoActivityFor = "No key or mouse activity for the last {}s";
// The action, the seconds left.
inline constexpr std::string_view WillActIn = "The Computer Will {} In {}s";
inline constexpr std::string_view MarkKeys = "K";
inline constexpr std::string_view MarkBoth = "+";
inline constexpr std::string_view MarkMouse = "M";
// Use that a source saw without telling keys from the pointer.
inline constexpr std::string_view MarkKeysOrMouse = "K/M";
inline constexpr std::string_view CaptionReset = "Reset";
inline constexpr std::string_view CaptionCancel = "Cancel";
// Tooltips: the product (and the action).
inline constexpr std::string_view TipReset = "Reset {}";
inline constexpr std::string_view TipCancel = "Cancel {} {}";
inline constexpr std::string_view TipExit = "Exit {}";
// The Exit button, disabled by the administrator's AllowExit=0.
inline constexpr std::string_view TipExitKept = "The administrator keeps {} running";
inline constexpr std::string_view TipAbout = "About {}";
// The Test button's run and the rehearsal: the product, the action.
inline constexpr std::string_view TestModeCaption = "{} - Test Mode";
inline constexpr std::string_view TestMessage = "Test {}";
inline constexpr std::string_view TestTitle = "{} Test";
inline constexpr std::string_view RealTestMessage = "Test Real {}";
inline constexpr std::string_view SimulateTitle = "{} Simulate {}";

// The system log's title for an administrator's settings.
inline constexpr std::string_view SettingsTitle = "{} Settings";

// Log words.
inline constexpr std::string_view LogStart = "Start";
inline constexpr std::string_view LogInitialise = "Initialise";
inline constexpr std::string_view LogEnter = "Enter";
inline constexpr std::string_view LogRun = "Run";
inline constexpr std::string_view LogTest = "Test";
inline constexpr std::string_view LogSimulate = "Simulate";
inline constexpr std::string_view LogClose = "Close";
inline constexpr std::string_view LogReset = "Reset";
inline constexpr std::string_view LogActivate = "Activate";
inline constexpr std::string_view LogExit = "Exit";
inline constexpr std::string_view LogShutdown = "Shutdown";
// The idle limit was reached while another session was in use: no countdown yet.
inline constexpr std::string_view LogWait = "Wait";
inline constexpr std::string_view LogOtherUser = "Other User";
// ... or while a program held the machine (a film, an update): "Wait, Held".
inline constexpr std::string_view LogHeld = "Held";
// The administrator's cap on holds ran out: the countdown goes ahead.
inline constexpr std::string_view LogExpire = "Expire";
inline constexpr std::string_view LogHold = "Hold";
// Past the cap only a lock that guards the system (an upgrade) is left, and
// it is never overridden: "Wait, Locked", no countdown.
inline constexpr std::string_view LogLocked = "Locked";
// The machine woke from the hibernation or sleep the countdown asked for:
// "Wake, Hibernate", then the cycle from its activation.
inline constexpr std::string_view LogWake = "Wake";
// The system did not carry out the request written just before: "Refuse,
// Power Off" follows its "Close", so the log never claims a power-off that
// did not happen.
inline constexpr std::string_view LogRefuse = "Refuse";

// The system log's record of holds: who held the machine, the cap running
// out, a place that keeps holds giving no answer.
inline constexpr std::string_view HoldsTitle = "{} Holds";
// Who holds it, and the cap.
inline constexpr std::string_view HeldBy =
    "The computer is held in use by {}; the countdown waits for it at most {}";
// The cap, and who held it.
inline constexpr std::string_view HeldFor =
    "The computer was held for {} by {}; the countdown begins anyway.";
inline constexpr std::string_view HeldSomething = "a hold that no longer says who";
inline constexpr std::string_view LockedBy =
    "The computer is locked by {}; the countdown waits until the lock is released.";
inline constexpr std::string_view StillLocked =
    "The computer is still locked by {} after {}; it stays on until the lock is released.";
inline constexpr std::string_view RefusedByLock =
    "The power-off was refused ({}); the computer stays on, and the countdown starts again once "
    "the lock is released.";
// The chosen action cannot be had, so the machine is switched off: the
// system log's title, then the verb and the system's reason.
inline constexpr std::string_view ActionTitle = "{} Action";
inline constexpr std::string_view ActionMissing =
    "The computer cannot {} ({}); the countdown ends in a power-off instead, so that it never "
    "stays on.";
// The system took the request, but the machine ran on: the verb, the seconds.
inline constexpr std::string_view ActionNotTaken =
    "The computer was asked to {} but was still running {} seconds later, and no wake-up was "
    "seen; the power-off is asked for instead.";
// The watch keeps the tray program running in every user's session.
inline constexpr std::string_view TrayRestarted =
    "Dormix Lite ended in session {} (user {}) without its Exit; started again there, as the "
    "administrator keeps it running (AllowExit=0).";
inline constexpr std::string_view TrayStarted =
    "Dormix Lite was not running in session {} (user {}); started there, as the administrator "
    "keeps it running (AllowExit=0).";
inline constexpr std::string_view TrayNotStarted =
    "Dormix Lite could not be started in session {} (user {}): {}; tried again in {} seconds.";
inline constexpr std::string_view HoldsUnknown =
    "Holds cannot be read ({}); counted as nothing holding the computer, so an unseen hold never "
    "keeps it on.";

// The phase names the system log's copy of an entry carries.
inline constexpr std::string_view PhaseNames[] = {"Activation", "Monitoring", "Countdown"};

// Event log file.
inline constexpr std::string_view LogDirectory = "Log";
// Windows: the watch's own folder beside Log, which every user may add files
// to; only the system and administrators may write in this one.
inline constexpr std::string_view WatchLogDirectory = "WatchLog";
inline constexpr std::string_view LogFileName = "DormixL.log";
inline constexpr std::string_view LogFileCreated = "File Created";
inline constexpr std::string_view LogCountLabel = ", Count:";
inline constexpr std::string_view LogFieldSeparator = ", ";
inline constexpr std::string_view LogDirectoryErrorTitle = "{} Log Directory Error";
inline constexpr std::string_view LogFileErrorTitle = "{} Log File Error";
inline constexpr std::string_view LogDirectoryError[] = {
    "The log directory does not exist", "Reinstall the program to restore the", "log directory.",
    "The program will now terminate."};
// Windows: the named mutex could not be made (the name taken by another kind
// of object, or no right to it).
inline constexpr std::string_view MarkerUnmade[] = {
    "Cannot tell whether another copy is running:", "the running-copy marker could not be made.",
    "The program will now terminate."};
inline constexpr std::string_view LogMissingError[] = {
    "The log file is either missing or", "corrupted. Delete the log file if",
    "it exists and restart the program", "The program will now terminate"};
inline constexpr std::string_view LogCreateErrorFirst = "Unable to create the log file {}";
inline constexpr std::string_view LogCreateError[] = {"This may be a permissions problem.",
                                                      "The program will now terminate."};
// Said once, on stderr and in the system log, where the log's file system
// has no locks, with the system's reason.
inline constexpr std::string_view LogWithoutLock =
    "The log's file system cannot lock files ({}): entries are written without the lock, so "
    "lines of copies writing at the same moment may mix.";
inline constexpr std::string_view LogWriteError[] = {"Unable to write to the log file ",
                                                     "This may be a permissions problem.",
                                                     "The program will now terminate"};

// Power-off service.
inline constexpr std::string_view ShutdownInvalid = "Invalid parameter to ShutdownSystem: ";
inline constexpr std::string_view ShutdownFailed = "ShutdownSystem failed: ";
inline constexpr std::string_view ShutdownTimedOut = "ShutdownSystem timed out: ";
inline constexpr std::string_view ShutdownUnconfirmed = "ShutdownSystem sent, not confirmed: ";
inline constexpr std::string_view SleepFailed = "SleepSystem failed: ";
inline constexpr std::string_view ShutdownNoPrivilegeValue =
    "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. [";
inline constexpr std::string_view ShutdownNoProcess =
    "Can't enable shutdown: Can't determine the current process. [";
inline constexpr std::string_view ShutdownNoPrivileges =
    "Can't enable shutdown: You do not have the privileges to shutdown this system. [";
inline constexpr std::string_view ShutdownTextEnd = "]";
inline constexpr std::string_view ShutdownPrivilegeName = "SeShutdownPrivilege";

// Last-resort report of an error nobody caught.
inline constexpr std::string_view ProgramErrorTitle = "{} Error";
inline constexpr std::string_view ProgramErrorHeading = "A program error has occured";
inline constexpr std::string_view ProgramErrorNumber = "Error Number: ";
inline constexpr std::string_view ProgramErrorDescription = "Error description: ";

// Single-instance notice.
inline constexpr std::string_view NoticeTitle = "{} Start Up Error";
inline constexpr std::string_view NoticeFirst = "Dormix or {} is already";
inline constexpr std::string_view NoticeSecond = "running, Only one instance can";
inline constexpr std::string_view NoticeThird = "be running at a time";
// A copy that cannot tell whether another one runs refuses to start.
inline constexpr std::string_view MarkerUnusable[] = {
    "Cannot tell whether another copy is running:",
    "the folder for the running-copy marker is missing,",
    "not yours or open to other users. Set XDG_RUNTIME_DIR,",
    "or make ~/.local/state/dormix a folder of your own (mode 700).",
    "The program will now terminate."};

// About window.
inline constexpr std::string_view AboutCaption = "About {}";
inline constexpr std::string_view AboutClose = "About will close in {} sec";
inline constexpr std::string_view AboutWebAddress = "https://dormix-lite.example.org/";
inline constexpr std::string_view AboutWebText = "dormix-lite.example.org";
inline constexpr std::string_view AboutCopyright = "(c) 2026 Dormix Lite authors";
inline constexpr std::string_view AboutOpenVerb = "Open";
inline constexpr std::string_view AboutLaunchFailed = "Unable to launch Browser.";

// An activity source that could not tell for about a minute, and its return.
inline constexpr std::string_view SourceTitle = "{} Activity Source";
inline constexpr std::string_view SourceFailing =
    "The activity source {} has failed for a minute: the computer counts as in use and will not "
    "power off until it answers again.";
inline constexpr std::string_view SourceRecovered =
    "The activity source {} answers again: idle time counts again.";
// A desktop session where the keyboard and the mouse cannot be seen.
inline constexpr std::string_view BlindTitle = "{} Start Up Error";
inline constexpr std::string_view BlindSession =
    "This Wayland session gives the program no way to see the keyboard and the mouse: the "
    "compositor offers no idle notification (ext-idle-notify-v1 or org_kde_kwin_idle), and "
    "GNOME's idle monitor is not on the session bus.";
inline constexpr std::string_view BlindX11 =
    "The X server offers no XInput 2.1 or later, so the program cannot see the keyboard and the "
    "mouse.";
inline constexpr std::string_view BlindEnd = "The program will now terminate.";

inline constexpr std::string_view LineBreak = "\r\n";

}  // namespace dormix::text
