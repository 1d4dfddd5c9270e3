#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace dormix::log {

// The log file is not there, or what is there is no plain file (a link, a
// file with a second name, a folder, a pipe, a device): nothing was written.
class LogFileMissing : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The file operations the event log needs. Any of them may throw a
// std::exception when the file system refuses; the log turns that into its
// failure message.
class LogFiles {
  public:
    virtual ~LogFiles() = default;
    virtual bool FolderExists(const std::filesystem::path& path) = 0;
    // True only for a plain file; a link is never followed.
    virtual bool FileExists(const std::filesystem::path& path) = 0;
    // Creates the file where nothing is, with `header` and CR LF as its
    // first line, so that no other copy's line can come before it. Returns
    // false, writing nothing, when another copy has just created it: that
    // is the creation this copy wanted. Never opens or empties anything
    // already there, and never leaves the file without its header.
    virtual bool CreateWithHeader(const std::filesystem::path& path, std::string_view header) = 0;
    // Opens an existing plain file for appending, writes text and CR LF at
    // its end, and closes it. Throws LogFileMissing when there is no such
    // file, or when it stays empty (a copy that began it never wrote its
    // header). Never creates the file; never leaves part of a line, and
    // never takes back bytes another writer appended.
    virtual void AppendLine(const std::filesystem::path& path, std::string_view text) = 0;
};

}  // namespace dormix::log
