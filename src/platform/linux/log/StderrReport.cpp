#include "platform/linux/log/StderrReport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/Texts.h"

namespace dormix::linux_log {

std::string StderrLine(std::string_view name, std::string_view title, std::string_view text) {
    std::string line(name);
    line.append(": ").append(title).append(": ");
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\r\n") == 0) {
            line += ' ';
            ++i;
        } else {
            line += text[i];
        }
    }
    return line += '\n';
}

bool StderrIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    unsigned long long device = 0, inode = 0;
    struct stat st {};
    return stream && std::sscanf(stream, "%llu:%llu", &device, &inode) == 2 &&
           ::fstat(STDERR_FILENO, &st) == 0 && st.st_dev == device && st.st_ino == inode;
}

void StderrReport::Failure(const log::SystemLogFailure& f) noexcept {
    next_.Failure(f);
    if (StderrIsJournal()) return;
    try {
        std::string line = StderrLine(name_, f.title, f.text);
        if (f.event == log::SystemEvent::LogDirectoryError && !folderAdvice_.empty()) {
            line.append(name_).append(": ").append(folderAdvice_).append("\n");
        } else if (f.event == log::SystemEvent::LogDirectoryError) {
            // The box's advice is the Windows installer's; here the launcher
            // makes the folder, and nothing else does.
            char cwd[4096];
            const std::string here = ::getcwd(cwd, sizeof cwd) ? cwd : ".";
            line.append(name_).append(": there is no folder \"");
            line.append(here).append("/").append(text::LogDirectory);
            line.append(
                "\"; start the program with dormix-lite, which makes it, or create it "
                "in the working folder (mkdir Log).\n");
        }
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
    } catch (...) {
        // Nothing more to be said where even this fails.
    }
}

}  // namespace dormix::linux_log
