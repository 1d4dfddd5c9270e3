#include "frontend/tray_win32/ControlSet.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "frontend/tray_win32/ControlIds.h"
#include "frontend/tray_win32/Dpi.h"
#include "frontend/tray_win32/Resources.h"
#include "frontend/tray_win32/Wnd.h"

namespace dormix::tray_win32 {

using ui::Ctl;
using ui::Kind;

namespace {

constexpr int BoldWeight = 700;

std::vector<const ui::Control*> InFocusOrder(ui::Wnd window) {
    std::vector<const ui::Control*> out;
    for (const auto& c : ui::Controls())
        if (c.window == window && c.kind != Kind::Timer) out.push_back(&c);
    // Controls without a tab index come last; creation order is focus order.
    std::stable_sort(out.begin(), out.end(), [](const ui::Control* a, const ui::Control* b) {
        const int ka = a->tabIndex < 0 ? 1 << 20 : a->tabIndex;
        const int kb = b->tabIndex < 0 ? 1 << 20 : b->tabIndex;
        return ka < kb;
    });
    return out;
}

DWORD StyleOf(const ui::Control& c) {
    DWORD style = WS_CHILD | WS_VISIBLE;
    switch (c.kind) {
        case Kind::CommandButton:
            return style | WS_TABSTOP | BS_PUSHBUTTON;
        case Kind::Label:
            // SS_NOTIFY: a label's click reaches the parent (the web link).
            return style | SS_NOPREFIX | SS_NOTIFY |
                   (c.align == ui::Align::Centre ? SS_CENTER : SS_LEFT);
        case Kind::PictureBox:
        case Kind::Image:
            return style | SS_OWNERDRAW;
        case Kind::Timer:
            break;
    }
    return style;
}

const char* ClassOf(Kind kind) { return kind == Kind::CommandButton ? "BUTTON" : "STATIC"; }

}  // namespace

ControlSet::~ControlSet() {
    for (auto& [font, handle] : fonts_) DeleteObject(handle);
    for (auto& [colour, brush] : brushes_) DeleteObject(brush);
    for (auto& [id, item] : items_)
        if (item.image)
            item.def->picture == ui::Picture::ErrorIcon
                ? DestroyIcon(static_cast<HICON>(item.image))
                : DeleteObject(item.image);
}

void ControlSet::Create(HINSTANCE instance, HWND parent, ui::Wnd window, int dpi) {
    parentPaintsLabels_ = ui::WindowOf(window).background == ui::Background::AboutBitmap;
    instance_ = instance;
    parent_ = parent;
    dpi_ = dpi;
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
                               nullptr, instance, nullptr);
    for (const ui::Control* def : InFocusOrder(window)) {
        const auto& r = def->rect;
        HWND h = CreateWindowExA(
            0, ClassOf(def->kind), std::string(def->caption).c_str(), StyleOf(*def),
            TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi), TwipsToPixels(r.width, dpi),
            TwipsToPixels(r.height, dpi), parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(def->id))), instance, nullptr);
        if (!h) throw std::runtime_error("cannot create control");
        Item item{def, h, def->fore, def->back, false, std::string(def->tooltip), nullptr};
        SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(def->font, false)), FALSE);
        const int w = TwipsToPixels(r.width, dpi), ht = TwipsToPixels(r.height, dpi);
        if (def->picture == ui::Picture::SmallLogo)
            item.image =
                LoadImageA(instance, MAKEINTRESOURCEA(IDB_SMALLLOGO), IMAGE_BITMAP, 0, 0, 0);
        else if (def->picture == ui::Picture::ErrorIcon)
            item.image =
                LoadImageA(instance, MAKEINTRESOURCEA(IDI_ERRORICON), IMAGE_ICON, w, ht, 0);
        if (def->kind == Kind::CommandButton) FollowFocus(h);
        auto& stored = items_.emplace(def->id, std::move(item)).first->second;
        if (!stored.tip.empty()) AddTooltip(stored);
    }
}

void ControlSet::Clear() {
    items_.clear();
    parent_ = tooltip_ = nullptr;
}

ControlSet::Item& ControlSet::At(Ctl c) {
    auto it = items_.find(c);
    if (it == items_.end()) throw std::out_of_range("control not on this window");
    return it->second;
}

HWND ControlSet::Handle(Ctl c) const {
    auto it = items_.find(c);
    return it == items_.end() ? nullptr : it->second.hwnd;
}

Ctl ControlSet::IdOf(HWND child) const {
    for (const auto& [id, item] : items_)
        if (item.hwnd == child) return id;
    throw std::out_of_range("not a control of this window");
}

// Bold is a second font of the same face and size, made once and shared by
// every control that needs it.
HFONT ControlSet::FontFor(const ui::Font& f, bool bold) {
    const int weight = bold ? BoldWeight : f.weight;
    auto key = std::make_tuple(f.points, weight, f.underline);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    HFONT font =
        CreateFontA(PointsToFontHeight(f.points, dpi_), 0, 0, 0, weight, FALSE, f.underline, FALSE,
                    ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    DEFAULT_PITCH | FF_SWISS, std::string(f.face).c_str());
    fonts_.emplace(key, font);
    return font;
}

COLORREF ControlSet::Resolve(ui::Colour colour) {
    switch (colour.system) {
        case ui::Colour::System::ButtonFace:
            return GetSysColor(COLOR_BTNFACE);
        case ui::Colour::System::ButtonText:
            return GetSysColor(COLOR_BTNTEXT);
        case ui::Colour::System::None:
            break;
    }
    return colour.bgr;  // already 0x00BBGGRR, the layout of a COLORREF
}

HBRUSH ControlSet::BrushFor(ui::Colour colour) {
    // The system's own brush follows a theme change; it must never be deleted.
    if (colour.system == ui::Colour::System::ButtonFace) return GetSysColorBrush(COLOR_BTNFACE);
    const COLORREF value = Resolve(colour);
    auto it = brushes_.find(value);
    if (it != brushes_.end()) return it->second;
    HBRUSH brush = CreateSolidBrush(value);
    brushes_.emplace(value, brush);
    return brush;
}

void ControlSet::AddTooltip(Item& item) {
    TOOLINFOA ti{};
    // The version-5 layout: accepted by every comctl32, with or without a manifest.
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = parent_;
    ti.uId = reinterpret_cast<UINT_PTR>(item.hwnd);
    ti.lpszText = item.tip.data();
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    // A disabled control gets no mouse messages (its parent does), so the
    // tool above stays silent over it: a second tool, the control's
    // rectangle on the parent, says why it is disabled (the Exit button the
    // administrator disabled).
    ti.uFlags = TTF_SUBCLASS;
    ti.uId = UINT_PTR(GetDlgCtrlID(item.hwnd));
    GetWindowRect(item.hwnd, &ti.rect);
    MapWindowPoints(HWND_DESKTOP, parent_, reinterpret_cast<POINT*>(&ti.rect), 2);
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void ControlSet::Repaint(const Item& item) {
    if (!item.def->transparent && !parentPaintsLabels_) {
        InvalidateRect(item.hwnd, nullptr, TRUE);
        return;
    }
    // A transparent label draws only its text: the parent must repaint what
    // lies under it first, or old text stays behind the new.
    RECT r;
    GetWindowRect(item.hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, parent_, reinterpret_cast<POINT*>(&r), 2);
    RedrawWindow(parent_, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void ControlSet::SetCaption(Ctl c, std::string_view caption) {
    Item& item = At(c);
    SetWindowTextA(item.hwnd, std::string(caption).c_str());
    if (item.def->kind == Kind::Label) Repaint(item);
}

// The monitoring tick sets the counter's colour and weight every second;
// repainting only on a change keeps an idle window from redrawing.
void ControlSet::SetForeColour(Ctl c, ui::Colour colour) {
    Item& item = At(c);
    if (item.fore == colour) return;
    item.fore = colour;
    Repaint(item);
}

void ControlSet::SetBackColour(Ctl c, ui::Colour colour) {
    Item& item = At(c);
    if (item.back == colour) return;
    item.back = colour;
    Repaint(item);
}

void ControlSet::SetBold(Ctl c, bool bold) {
    Item& item = At(c);
    if (item.bold == bold) return;
    item.bold = bold;
    SendMessageA(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(item.def->font, bold)),
                 FALSE);
    Repaint(item);
}

// A disabled button cannot keep the focus: it passes on to the next button
// that can take it, as in a dialog, so the keyboard still reaches the window.
// Only a focus this window already had moves; nothing is activated.
void ControlSet::SetEnabled(Ctl c, bool enabled) {
    HWND h = At(c).hwnd;
    const bool hadFocus = !enabled && GetFocus() == h;
    EnableWindow(h, enabled);
    if (!hadFocus) return;
    HWND next = GetNextDlgTabItem(parent_, h, FALSE);
    if (next && next != h && IsWindowEnabled(next)) SetFocus(next);
}

// The tooltip control keeps a pointer into item.tip for TTM_ADDTOOL and
// copies the text on TTM_UPDATETIPTEXT; either way the string outlives it.
void ControlSet::SetTooltip(Ctl c, std::string_view tip) {
    Item& item = At(c);
    const bool had = !item.tip.empty();
    item.tip = tip;
    if (!had) {
        AddTooltip(item);
        return;
    }
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.hwnd = parent_;
    ti.uId = reinterpret_cast<UINT_PTR>(item.hwnd);
    ti.lpszText = item.tip.data();
    SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    ti.uId = UINT_PTR(GetDlgCtrlID(item.hwnd));
    SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

// Read back from the tooltip control itself, not from our copy, so a test
// sees what the user would.
std::string ControlSet::Tooltip(Ctl c) const {
    auto it = items_.find(c);
    if (it == items_.end()) return {};
    char buffer[256] = {};
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.hwnd = parent_;
    ti.uId = reinterpret_cast<UINT_PTR>(it->second.hwnd);
    ti.lpszText = buffer;
    SendMessageA(tooltip_, TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&ti));
    return buffer;
}

// Labels keep no colours of their own: a STATIC asks its parent for text
// colour, background mode and brush every time it paints.
HBRUSH ControlSet::OnCtlColorStatic(HDC dc, HWND child) {
    for (auto& [id, item] : items_) {
        if (item.hwnd != child) continue;
        SetTextColor(dc, Resolve(item.fore));
        if (item.def->transparent || parentPaintsLabels_) {
            SetBkMode(dc, TRANSPARENT);
            return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        }
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, Resolve(item.back));
        return BrushFor(item.back);
    }
    return nullptr;
}

bool ControlSet::OnDrawItem(const DRAWITEMSTRUCT& di) {
    for (auto& [id, item] : items_) {
        if (item.hwnd != di.hwndItem || !item.image) continue;
        const RECT& r = di.rcItem;
        // Owner-drawn statics get no background of their own.
        FillRect(di.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
        if (item.def->picture == ui::Picture::ErrorIcon) {
            DrawIconEx(di.hDC, r.left, r.top, static_cast<HICON>(item.image), r.right - r.left,
                       r.bottom - r.top, 0, nullptr, DI_NORMAL);
            return true;
        }
        // The picture box shows the bitmap from its top-left corner, clipped.
        BITMAP bm{};
        GetObjectA(item.image, sizeof bm, &bm);
        HDC mem = CreateCompatibleDC(di.hDC);
        HGDIOBJ old = SelectObject(mem, item.image);
        StretchBlt(di.hDC, r.left, r.top, MulDiv(bm.bmWidth, dpi_, 96),
                   MulDiv(bm.bmHeight, dpi_, 96), mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        return true;
    }
    return false;
}

void ControlSet::PaintOpaqueLabels(HDC dc) {
    for (auto& [id, item] : items_) {
        if (item.def->kind != Kind::Label || item.def->transparent) continue;
        RECT r;
        GetWindowRect(item.hwnd, &r);
        MapWindowPoints(HWND_DESKTOP, parent_, reinterpret_cast<POINT*>(&r), 2);
        FillRect(dc, &r, BrushFor(item.back));
    }
}

}  // namespace dormix::tray_win32
