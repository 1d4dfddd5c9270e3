#pragma once
// The platform's own log files, for the tests and benchmarks that write real
// files on whichever system they run.

#ifdef _WIN32
#include "platform/win32/log/FileSystemLogFiles.h"
namespace dormix::testing {
using PlatformLogFiles = win32_log::FileSystemLogFiles;
}
#else
#include "platform/linux/log/FileSystemLogFiles.h"
namespace dormix::testing {
using PlatformLogFiles = linux_log::FileSystemLogFiles;
}
#endif
