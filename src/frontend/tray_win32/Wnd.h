#pragma once
// A top-level window whose messages become named handlers. The one switch
// lives in Dispatch; subclasses override only what they handle.

#include "platform/win32/WinApi.h"

namespace dormix::tray_win32 {

struct WindowClass {
    const char* name;
    HICON icon;
    HICON smallIcon;
    HBRUSH background;  // nullptr: the window paints its own
};

void RegisterWindowClass(HINSTANCE instance, const WindowClass& wc);

// Ends the process with a message when something nobody caught reaches a
// window procedure: no C++ exception may unwind through a Win32 frame.
[[noreturn]] void FatalReport(const char* what);

// An activated window gives the focus back to the button that had it last
// (the one with the default frame), else to its first button: labels take
// no focus.
void RestoreFocus(HWND window);

// Buttons tell their parent when they take the focus, so the default frame
// follows the focus whether Tab, a click or the program moved it.
void FollowFocus(HWND button);

class Wnd {
  public:
    Wnd() = default;
    Wnd(const Wnd&) = delete;
    Wnd& operator=(const Wnd&) = delete;
    virtual ~Wnd();

    HWND Handle() const { return hwnd_; }
    bool Alive() const { return hwnd_ != nullptr; }

  protected:
    // Creates the window (hidden) with the given client size in pixels.
    void Create(HINSTANCE instance, const char* className, const char* caption, DWORD style,
                int clientWidth, int clientHeight);

    virtual void OnCreate() {}
    virtual void OnTimer(UINT_PTR) {}
    virtual void OnCommand(int /*id*/, int /*code*/, HWND /*control*/) {}
    // Return true when the close was handled; false lets the window be destroyed.
    virtual bool OnClose() { return false; }
    virtual void OnDestroy() {}
    virtual void OnSize(UINT /*type*/) {}
    // The raw message: the tray icon's callback arrives as WM_MOUSEMOVE too.
    virtual void OnMouseMove(WPARAM /*wp*/, LPARAM /*lp*/) {}
    virtual void OnActivate(bool /*active*/) {}
    virtual void OnEndSession(bool /*ending*/) {}
    // Explorer's "TaskbarCreated", sent to every top-level window.
    virtual void OnTaskbarCreated() {}
    // WM_POWERBROADCAST: the machine woke from sleep.
    virtual void OnResume() {}
    virtual HBRUSH OnCtlColorStatic(HDC, HWND) { return nullptr; }
    virtual bool OnDrawItem(const DRAWITEMSTRUCT&) { return false; }
    virtual bool OnEraseBackground(HDC) { return false; }
    virtual bool OnSetCursor(HWND /*over*/) { return false; }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;
};

}  // namespace dormix::tray_win32
