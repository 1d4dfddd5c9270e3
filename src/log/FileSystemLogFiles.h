#pragma once

#include "log/LogFiles.h"

namespace dormix::log {

// The log's files on the real file system, relative to the working directory.
class FileSystemLogFiles final : public LogFiles {
public:
    bool FolderExists(const std::filesystem::path& path) override;
    bool FileExists(const std::filesystem::path& path) override;
    void CreateTextFile(const std::filesystem::path& path) override;
    void AppendLine(const std::filesystem::path& path, std::string_view text) override;
};

}  // namespace dormix::log
