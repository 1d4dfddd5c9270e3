#pragma once

#include <filesystem>
#include <string_view>

namespace dormix::log {

// The file operations the event log needs. Any of them may throw a
// std::exception when the file system refuses; the log turns that into its
// failure message.
class LogFiles {
public:
    virtual ~LogFiles() = default;
    virtual bool FolderExists(const std::filesystem::path& path) = 0;
    virtual bool FileExists(const std::filesystem::path& path) = 0;
    // Creates an empty file (or empties an existing one) and closes it.
    virtual void CreateTextFile(const std::filesystem::path& path) = 0;
    // Opens an existing file for appending, writes text and CR LF with one
    // write, and closes it. Never creates the file; never leaves part of a line.
    virtual void AppendLine(const std::filesystem::path& path, std::string_view text) = 0;
};

}  // namespace dormix::log
