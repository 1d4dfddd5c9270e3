#pragma once
// What the Linux program does before its window exists, or instead of it:
// the test builds' trace, the settings printed, and the starts it refuses.

#include <string>
#include <string_view>

#include "app/StartRefusal.h"
#include "frontend/tray_qt/InputChoice.h"
#include "log/SystemLog.h"
#include "settings/Settings.h"

namespace dormix::tray_qt {

// The executable's name without its folder: the source of its errors.
std::string ProgramName(const char* argv0);

// One line on stderr in the test builds (captions, messages, decisions);
// nothing in the program itself.
void TraceLine(std::string_view line);

// Each settings warning on stderr.
void PrintWarnings(const settings::Effective& effective);
// `DormixL --settings`: what a start would run with, and from where, and
// the schedule's window in force now; no display needed. The process's status.
int PrintSettings(const settings::Effective& effective);

// A start refused before anything is logged: the journal's copy, a warning
// box where the session has a desktop to show it on; status 1.
int Refuse(const app::StartRefusal& refusal, log::SystemLog& journal, bool box);
// No source sees the user: say so and monitor nothing.
int RefuseBlind(const InputChoice& choice);
// Without a marker no copy can tell whether another runs: refusing is the
// only answer that never lets two count down at once.
int RefuseWithoutMarker(log::SystemLog& journal);

// The log tells when somebody was at the machine. In a Log folder of the
// user's own (the launcher's) nobody else gets to read it; a folder shared
// on purpose keeps the permissions its owner chose.
void KeepLogPrivate();

}  // namespace dormix::tray_qt
