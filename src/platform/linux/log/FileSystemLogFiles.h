#pragma once

#include <functional>
#include <string>

#include "log/LogFiles.h"

namespace dormix::linux_log {

// The log's files on the real file system, relative to the working
// directory: each line appended whole under an advisory lock (flock, and
// fcntl where flock cannot lock), a file that is no plain file refused.
class FileSystemLogFiles final : public log::LogFiles {
  public:
    // `withoutLock` hears once why the file system cannot lock the log, when
    // entries are written without the lock (NFS without a lock manager, some
    // FUSE file systems).
    using Warning = std::function<void(const std::string& why)>;
    explicit FileSystemLogFiles(Warning withoutLock = {}) : withoutLock_(std::move(withoutLock)) {}

    bool FolderExists(const std::filesystem::path& path) override;
    bool FileExists(const std::filesystem::path& path) override;
    bool CreateWithHeader(const std::filesystem::path& path, std::string_view header) override;
    void AppendLine(const std::filesystem::path& path, std::string_view text) override;

  private:
    void WarnOnce(const std::string& why) {
        if (!warned_ && withoutLock_) withoutLock_(why);
        warned_ = true;
    }

    Warning withoutLock_;
    bool warned_ = false;
};

}  // namespace dormix::linux_log
