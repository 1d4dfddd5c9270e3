#pragma once
// The system's own log (the journal, the Windows event log) gets a copy of
// every entry of the text log and of every failure shown in a message box,
// as structured data. The text log stays the record: the copy never blocks
// for long, never throws and never ends the program.

#include <cstdint>
#include <string_view>

namespace dormix::log {

// One number per kind of entry or failure, the same on both platforms: the
// Windows event id and the journal's DORMIX_EVENT_ID.
enum class SystemEvent : std::uint16_t {
    Started = 1,             // Start, Initialise
    MonitoringBegan = 2,     // Enter, Run
    TestBegan = 3,           // Enter, Test
    CountdownBegan = 4,      // Enter, Power Off
    TestEnded = 5,           // Simulate, Power Off
    CountdownSimulated = 6,  // Power Off, Simulate
    PowerOffRequested = 7,   // Close, Power Off
    Reset = 8,               // Reset, Power Off / Run / Activate
    Exited = 9,              // Exit, Shutdown / Run / Initialise
    OtherUserWait = 10,      // Wait, Other User
    HeldWait = 11,           // Wait, Held
    HoldExpired = 12,        // Expire, Hold
    PowerOffRefused = 13,    // Refuse, Power Off: the request after the Close was not carried out
    LockedWait = 14,         // Wait, Locked: past the cap only a lock guarding the system is left
    Woke = 15,               // Wake, Hibernate / Sleep: back from the action the countdown asked
    LogDirectoryError = 101,
    LogFileMissing = 102,
    LogFileCreateError = 103,
    LogFileWriteError = 104,
    LogWithoutLock = 105,      // a warning; the program goes on
    SourceFailing = 106,       // the activity source could not tell for a minute
    SourceRecovered = 107,     // information: it answers again
    ProgramError = 110,        // the last-resort report; the program ends
    BrowserLaunchError = 111,  // the About window's link; the program goes on
    // Starts refused before anything is logged.
    StartRefusedBlind = 120,   // no source can see the keys and the mouse
    StartRefusedMarker = 121,  // the running-copy marker cannot be made or trusted
    SettingIgnored = 130,      // an administrator's setting passed over; the program goes on
    SettingsInForce = 131,     // at start, when an administrator set anything
    HeldBy = 140,              // information: one holder, named once a wait
    HoldRanOut = 141,          // the cap ran out: the holders still there, the countdown begins
    HoldsUnknown = 142,        // a place that keeps holds gave no answer: counted as no hold
    LockedOn = 143,            // a lock guarding the system keeps the computer on past the cap
    // The chosen hibernation or sleep could not be had: switched off instead.
    ActionMissing = 144,
    // The watch keeps the tray program running (AllowExit=0).
    TrayStarted = 150,    // a copy started in a user's session: it ended, or never ran
    TrayNotStarted = 151  // a copy could not be started there; tried again later
};

// Warning for the power-off request, its refusal and every failure,
// information otherwise.
// A source's recovery (107), the settings in force (131) and a holder's name
// (140) are information, though they go out as a failure does.
bool IsWarning(SystemEvent event);
// The kind of an entry, from its two words.
SystemEvent EntryEvent(std::string_view action, std::string_view detail);
// The program's full version, "2.1.0.8".
std::string_view ProgramVersion();

struct SystemLogEntry {
    SystemEvent event;
    std::string_view line;  // as written to the text log, without CR LF
    std::string_view action, detail;
    std::int16_t count;
    bool testMode;
    std::string_view phase;  // "Activation", "Monitoring" or "Countdown"; empty when not known
    bool inhibitShutdown;
};

struct SystemLogFailure {
    SystemEvent event;
    std::string_view title, text;  // as the message box shows them (lines joined by CR LF)
    std::int32_t number;           // 0 when the failure has no error number
    std::string_view source;       // empty when the failure has no source
};

class SystemLog {
  public:
    virtual ~SystemLog() = default;
    virtual void Entry(const SystemLogEntry& entry) noexcept = 0;
    virtual void Failure(const SystemLogFailure& failure) noexcept = 0;
    // Whether each failure also reaches stderr this way, so that nobody
    // else needs to put it there a second time.
    virtual bool ReachesStderr() const { return false; }
};

// Where nothing is mirrored.
class NoSystemLog final : public SystemLog {
  public:
    void Entry(const SystemLogEntry&) noexcept override {}
    void Failure(const SystemLogFailure&) noexcept override {}
    static NoSystemLog& Instance();
};

}  // namespace dormix::log
