#include "log/EventLog.h"

#include <exception>
#include <span>
#include <string>

#include "log/LogFormat.h"
#include "ui/Texts.h"

namespace dormix::log {
namespace {

std::string JoinLines(std::span<const std::string_view> lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) out += text::LineBreak;
        out += lines[i];
    }
    return out;
}

SystemEvent FailureEvent(LogFailure failure) {
    switch (failure) {
        case LogFailure::Directory:
            return SystemEvent::LogDirectoryError;
        case LogFailure::MissingFile:
            return SystemEvent::LogFileMissing;
        case LogFailure::Create:
            return SystemEvent::LogFileCreateError;
        case LogFailure::Write:
        case LogFailure::None:
            break;
    }
    return SystemEvent::LogFileWriteError;
}

}  // namespace

std::string FailureTitle(LogFailure failure) {
    return text::Fill(
        failure == LogFailure::Directory ? text::LogDirectoryErrorTitle : text::LogFileErrorTitle,
        {text::ProductTitle});
}

std::filesystem::path TrayLogFile() {
    return std::filesystem::path(text::LogDirectory) / std::filesystem::path(text::LogFileName);
}

std::string FailureText(LogFailure failure, const std::filesystem::path& file) {
    switch (failure) {
        case LogFailure::Directory:
            return JoinLines(text::LogDirectoryError);
        case LogFailure::MissingFile:
            return JoinLines(text::LogMissingError);
        case LogFailure::Create: {
            std::string out = text::Fill(text::LogCreateErrorFirst, {file.filename().string()});
            out += text::LineBreak;
            return out + JoinLines(text::LogCreateError);
        }
        case LogFailure::Write:
        case LogFailure::None:
            break;
    }
    return JoinLines(text::LogWriteError);
}

EventLog::EventLog(LogFiles& files, Clock& clock, ProgramEnd& end, SystemLog& mirror,
                   std::filesystem::path file)
    : files_(files),
      clock_(clock),
      end_(end),
      mirror_(mirror),
      directory_(file.parent_path()),
      file_(std::move(file)) {}

LogFailure EventLog::CheckTargets() {
    if (!files_.FolderExists(directory_)) return LogFailure::Directory;
    if (!files_.FileExists(file_)) return LogFailure::MissingFile;
    return LogFailure::None;
}

void EventLog::OpenEventLog() {
    LogFailure failure = LogFailure::None;
    try {
        if (!files_.FolderExists(directory_)) {
            failure = LogFailure::Directory;
        } else if (!files_.FileExists(file_)) {
            // False: a copy started at the same moment made it, header and all.
            files_.CreateWithHeader(file_, CreationHeader(clock_.Now()));
        }
    } catch (const std::exception&) {
        failure = LogFailure::Create;
    }
    if (failure != LogFailure::None) Fail(failure);
}

void EventLog::WriteStartBanner() {
    LogFailure failure = LogFailure::None;
    try {
        failure = CheckTargets();
        if (failure == LogFailure::None) files_.AppendLine(file_, StartBanner());
    } catch (const LogFileMissing&) {
        failure = LogFailure::MissingFile;
    } catch (const std::exception&) {
        failure = LogFailure::Write;
    }
    if (failure != LogFailure::None) Fail(failure);
}

void EventLog::WriteLogEntry(std::string_view action, std::string_view detail, bool testMark,
                             std::int16_t count, const EntryContext& context) {
    LogFailure failure = LogFailure::None;
    std::string line;
    try {
        // The time is taken before the file is touched.
        line = FormatEntry(clock_.Now(), action, detail, testMark, count);
        failure = CheckTargets();
        if (failure == LogFailure::None) files_.AppendLine(file_, line);
    } catch (const LogFileMissing&) {
        failure = LogFailure::MissingFile;
    } catch (const std::exception&) {
        failure = LogFailure::Write;
    }
    // The system log first: an entry the file refused is not lost from both.
    if (!line.empty())
        mirror_.Entry({EntryEvent(action, detail), line, action, detail, count, testMark,
                       context.phase, context.inhibitShutdown});
    if (failure != LogFailure::None) Fail(failure);
}

void EventLog::Fail(LogFailure failure) {
    const std::string title = FailureTitle(failure), text = FailureText(failure, file_);
    end_.Fail(mirror_, {FailureEvent(failure), title, text, 0, {}});
}

}  // namespace dormix::log
