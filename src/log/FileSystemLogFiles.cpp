#include "log/FileSystemLogFiles.h"

#include <cstdio>
#include <memory>
#include <string>
#include <system_error>

namespace dormix::log {
namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

[[noreturn]] void Throw(const char* what, const fs::path& path) {
    throw fs::filesystem_error(what, path, std::make_error_code(std::errc::io_error));
}

}  // namespace

bool FileSystemLogFiles::FolderExists(const fs::path& path) {
    // A refused look-up throws, and is reported as a failure to reach the log.
    return fs::is_directory(fs::status(path));
}

bool FileSystemLogFiles::FileExists(const fs::path& path) {
    // A folder where the file should be is not the log file.
    const auto st = fs::status(path);
    return fs::exists(st) && !fs::is_directory(st);
}

void FileSystemLogFiles::CreateTextFile(const fs::path& path) {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.string().c_str(), "wb"));
    if (!f) Throw("cannot create", path);
    if (std::fclose(f.release()) != 0) Throw("cannot close", path);
}

void FileSystemLogFiles::AppendLine(const fs::path& path, std::string_view text) {
    // Append mode never creates: the file must be there.
    if (!FileExists(path)) Throw("missing", path);
    const auto sizeBefore = fs::file_size(path);
    std::string line(text);
    line += "\r\n";
    std::FILE* f = std::fopen(path.string().c_str(), "ab");
    if (!f) Throw("cannot open", path);
    // Unbuffered: the whole line goes to the system in one write.
    std::setvbuf(f, nullptr, _IONBF, 0);
    const bool written = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    const bool closed = std::fclose(f) == 0;
    if (written && closed) return;
    // A full disk can take part of a line: cut the file back so no reader
    // ever finds half an entry.
    std::error_code ignored;
    fs::resize_file(path, sizeBefore, ignored);
    Throw("cannot write", path);
}

}  // namespace dormix::log
