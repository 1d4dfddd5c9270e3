#pragma once
// What the core asks of the main window and the platform around it. Each
// platform implements it once; the tests hold a fake that records every call.

#include <cstdlib>
#include <string_view>

namespace dormix {

enum class MessageIcon { None, Warning };

struct TwipsSize {
    float width = 0, height = 0;
};

class Shell {
  public:
    virtual ~Shell() = default;

    // The main window's one-second timer `tmrRefresh`.
    virtual void StartRefreshTimer() = 0;
    virtual void StopRefreshTimer() = 0;

    // Window state of the main window. SetMinimised may report the resize
    // back to the core at once (Win32) or later (Qt); the core copes with both.
    virtual bool IsMinimised() = 0;
    virtual void SetMinimised() = 0;
    virtual void SetNormal() = 0;
    virtual void ShowWindow() = 0;
    virtual void HideWindow() = 0;
    virtual TwipsSize ScreenSize() = 0;                  // primary screen
    virtual TwipsSize WindowOuterSize() = 0;             // main window with its frame
    virtual void MoveWindow(float left, float top) = 0;  // twips, outer position
    virtual void SetTopmost() = 0;                       // above all windows, shown, not activated
    virtual void ClearTopmost() = 0;  // back among ordinary windows, nothing else

    // The notification-area icon, always the same record.
    virtual void PrepareTrayIcon() = 0;
    virtual void TrayAdd() = 0;
    virtual void TrayDelete() = 0;

    // A modal message box with an OK button; returns when it is closed.
    virtual void MessageBox(std::string_view text, std::string_view title, MessageIcon icon) = 0;

    // The About window: shown modally, returns once it has closed. While it
    // is open the refresh timer keeps ticking, and CloseAbout unloads it.
    virtual void ShowAboutModal() = 0;
    virtual void CloseAbout() = 0;
    // Let pending window messages run (before launching the browser).
    virtual void ProcessPendingMessages() = 0;
    // Open the page in the user's browser; a result of 32 or less is a failure.
    virtual int LaunchBrowser(std::string_view address) = 0;

    // Highest thread priority in a high-priority process, where permitted.
    virtual void RaisePriority() = 0;
    // The notice window of a second copy: above all non-topmost windows.
    virtual void SetNoticeTopmost() = 0;

    // End the program at once: no unloading, nothing else runs.
    [[noreturn]] void EndProgram() {
        EndProcess();
        std::abort();  // an EndProcess that came back must not let the caller go on
    }

    // From here on the program ends without the unload (a failure report,
    // the end of the countdown): a request to exit then ends it at once,
    // writing nothing.
    void BeginClosing() { closing_ = true; }
    bool Closing() const { return closing_; }
    // The message box of such a path. None opens over another: a failure
    // while one is open ends the program at once. At the session's end none
    // opens at all: a box nobody will answer would hold up the log-off.
    void ClosingMessageBox(std::string_view text, std::string_view title, MessageIcon icon) {
        if (closingBox_) EndProgram();
        closing_ = closingBox_ = true;
        if (!sessionEnding_) MessageBox(text, title, icon);
        closingBox_ = false;
    }

    // The session (or the system) is ending the program.
    void BeginSessionEnd() { sessionEnding_ = true; }
    bool SessionEnding() const { return sessionEnding_; }
    // The program ends because something failed: the process's status says so.
    void SetFailed() { failed_ = true; }
    bool Failed() const { return failed_; }

  protected:
    // Ends the process; never returns (a test fake throws instead).
    virtual void EndProcess() = 0;

  private:
    bool closing_ = false;
    bool closingBox_ = false;
    bool sessionEnding_ = false;
    bool failed_ = false;
};

}  // namespace dormix
