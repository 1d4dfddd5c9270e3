#include "frontend/tray_qt/StartUp.h"

#include <sys/stat.h>

#include <QMessageBox>
#include <cstdio>
#include <filesystem>

#include "frontend/tray_qt/QtView.h"
#include "frontend/tray_qt/TracingView.h"
#include "platform/linux/log/JournalLog.h"
#include "platform/linux/log/LocalClock.h"
#include "ui/Texts.h"

#ifndef DORMIX_TRACE_VIEW
#define DORMIX_TRACE_VIEW 0
#endif

namespace dormix::tray_qt {

std::string ProgramName(const char* argv0) {
    return std::filesystem::path(argv0 ? argv0 : "DormixL").stem().string();
}

void TraceLine(std::string_view line) {
    if (!DORMIX_TRACE_VIEW) return;
    std::fprintf(stderr, "%.*s\n", int(line.size()), line.data());
    std::fflush(stderr);
}

void PrintWarnings(const settings::Effective& effective) {
    for (const std::string& warning : effective.warnings)
        std::fprintf(stderr, "DormixL: %s\n", warning.c_str());
}

int PrintSettings(const settings::Effective& effective) {
    PrintWarnings(effective);
    linux_log::LocalClock clock;
    const log::LocalTime now = clock.Now();
    std::fputs(settings::Describe(effective, &now).c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int Refuse(const app::StartRefusal& refusal, log::SystemLog& journal, bool box) {
    app::MirrorRefusal(refusal, journal);
    TraceLine("message warning [" + refusal.title + "] " + tray_qt::OneLine(refusal.text));
    if (!box) return 1;
    QMessageBox message(QMessageBox::Warning, tray_qt::DisplayText(refusal.title),
                        tray_qt::DisplayText(refusal.text), QMessageBox::Ok);
    message.setTextFormat(Qt::PlainText);
    message.exec();
    return 1;
}

int RefuseBlind(const InputChoice& choice) {
    std::fprintf(stderr,
                 "DormixL: %s: keys and the mouse cannot be seen, so nothing is monitored.\n",
                 choice.description.c_str());
    linux_log::JournalLog journal;
    // An autostarted copy has no terminal: the box is what the user sees.
    return Refuse(app::BlindSessionRefusal(choice.x11 ? text::BlindX11 : text::BlindSession),
                  journal, true);
}

int RefuseWithoutMarker(log::SystemLog& journal) {
    const app::StartRefusal refusal = app::MarkerRefusal(text::MarkerUnusable);
    std::fprintf(stderr, "DormixL: %s\n",
                 tray_qt::DisplayText(refusal.text).toLocal8Bit().constData());
    return Refuse(refusal, journal, true);
}

void KeepLogPrivate() {
    struct stat folder {};
    if (::stat(std::string(text::LogDirectory).c_str(), &folder) == 0 &&
        folder.st_uid == ::geteuid())
        ::umask(::umask(0) | 077);
}

}  // namespace dormix::tray_qt
