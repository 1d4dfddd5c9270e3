#pragma once

#include <string>

#include "log/LogFiles.h"

namespace dormix::win32_log {

// The log's files on the real file system, relative to the working
// directory: each line appended whole under a lock of the file's range,
// which every Windows file system keeps; a file that is no plain file
// refused.
class FileSystemLogFiles final : public log::LogFiles {
  public:
    bool FolderExists(const std::filesystem::path& path) override;
    bool FileExists(const std::filesystem::path& path) override;
    bool CreateWithHeader(const std::filesystem::path& path, std::string_view header) override;
    void AppendLine(const std::filesystem::path& path, std::string_view text) override;
};

}  // namespace dormix::win32_log
