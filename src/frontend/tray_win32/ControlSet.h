#pragma once
// The child controls of one window, built from the inventory, and the
// run-time state the core changes on them (captions, colours, weight,
// enabled state, tooltips).

#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include "platform/win32/WinApi.h"
#include "ui/Inventory.h"

namespace dormix::tray_win32 {

class ControlSet {
  public:
    ControlSet() = default;
    ControlSet(const ControlSet&) = delete;
    ControlSet& operator=(const ControlSet&) = delete;
    ~ControlSet();

    // Creates every control of `window` on `parent`, in focus order.
    void Create(HINSTANCE instance, HWND parent, ui::Wnd window, int dpi);
    void Clear();  // the parent has been destroyed

    bool Has(ui::Ctl c) const { return items_.count(c) != 0; }
    HWND Handle(ui::Ctl c) const;
    ui::Ctl IdOf(HWND child) const;  // throws for a window that is not ours

    void SetCaption(ui::Ctl c, std::string_view caption);
    void SetForeColour(ui::Ctl c, ui::Colour colour);
    void SetBackColour(ui::Ctl c, ui::Colour colour);
    void SetBold(ui::Ctl c, bool bold);
    void SetEnabled(ui::Ctl c, bool enabled);
    void SetTooltip(ui::Ctl c, std::string_view tip);
    std::string Tooltip(ui::Ctl c) const;  // as the tooltip control holds it

    // Message handlers the parent forwards.
    HBRUSH OnCtlColorStatic(HDC dc, HWND child);
    bool OnDrawItem(const DRAWITEMSTRUCT& item);
    // Opaque labels over a background picture are painted with the parent's
    // background, so labels drawn transparently above them stay visible.
    void PaintOpaqueLabels(HDC dc);

    static COLORREF Resolve(ui::Colour colour);

  private:
    struct Item {
        const ui::Control* def;
        HWND hwnd;
        ui::Colour fore, back;
        bool bold;
        std::string tip;
        HANDLE image;
    };
    HFONT FontFor(const ui::Font& f, bool bold);
    HBRUSH BrushFor(ui::Colour colour);
    void AddTooltip(Item& item);
    void Repaint(const Item& item);
    Item& At(ui::Ctl c);

    HINSTANCE instance_ = nullptr;
    HWND parent_ = nullptr;
    HWND tooltip_ = nullptr;
    int dpi_ = 96;
    bool parentPaintsLabels_ = false;  // the window has a background picture
    std::map<ui::Ctl, Item> items_;
    std::map<std::tuple<double, int, bool>, HFONT> fonts_;
    std::map<COLORREF, HBRUSH> brushes_;
};

}  // namespace dormix::tray_win32
