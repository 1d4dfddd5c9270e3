#pragma once

namespace dormix::tray_qt {

// The nearest Linux match for "highest thread priority in a high-priority
// process": the lowest nice value the user may take, at most -10, for the
// calling (user-interface) thread. Refusals are ignored. Returns the nice
// value the thread runs at afterwards.
int RaisePriority();

}  // namespace dormix::tray_qt
