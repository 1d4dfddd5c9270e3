#pragma once
// The three windows and every control on them, as they are when created.
// Both platform layers build their windows from these tables; neither keeps
// a number of its own. Positions and sizes are in twips (15 to the pixel at
// 96 dpi), counted from the top-left corner of the window's client area.

#include <cstdint>
#include <span>
#include <string_view>

#include "ui/Colour.h"

namespace dormix::ui {

inline constexpr int TwipsPerPixel = 15;

enum class Wnd { DormixMain, frmAbout, MultiInst };

// Every control of every window, named as the windows name them. The notice
// window's OK button is `Exit` there too; it is kept apart here by its window.
enum class Ctl {
    // DormixMain
    Exit,
    Logo,
    About,
    Reset,
    TestS,
    tmrRefresh,
    Title,
    Counter,
    CPULoad,
    // frmAbout
    Timer1,
    ExitAbout,
    TMessage,
    ProgName,
    Copyright,
    ProgVersion,
    WebSite,
    Label3,
    // MultiInst
    NoticeExit,
    Image1,
    ErrorMess,
};

enum class Kind { CommandButton, Label, PictureBox, Image, Timer };
enum class Align { Left, Centre };
enum class Picture { None, SmallLogo, ErrorIcon };

struct Font {
    std::string_view face = "Arial";
    double points = 9.75;
    int weight = 400;
    bool underline = false;
};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;  // twips
};

struct Control {
    Ctl id;
    Wnd window;
    std::string_view name;
    Kind kind;
    std::string_view caption{};
    Rect rect{};
    int tabIndex = -1;  // -1: takes no focus
    Font font{};
    Colour fore = Colour::ButtonText();
    Colour back = Colour::ButtonFace();
    Align align = Align::Left;
    bool transparent = false;
    std::string_view tooltip{};
    Picture picture = Picture::None;
    int intervalMs = 0;   // timers only
    bool enabled = true;  // timers: running at creation
};

enum class WindowIcon { Program, AboutVariant };
enum class Background { ButtonFace, AboutBitmap };

struct Window {
    Wnd id;
    std::string_view name;
    std::string_view caption;
    int clientWidth, clientHeight;  // twips
    bool minimiseBox, maximiseBox, systemMenu;
    WindowIcon icon;
    Background background;
};

struct MenuEntry {
    std::string_view name;
    std::string_view caption;  // "-" is a separator
    int level;                 // 0 top, 1, 2
};

struct VersionInfo {
    int major, minor, build, revision;
    std::string_view fileVersionText;
    std::string_view productName, internalName, originalFilename;
    std::string_view fileDescription, comments, companyName, legalCopyright;
    std::uint16_t language, codePage;
};

std::span<const Window> Windows();
std::span<const Control> Controls();
std::span<const MenuEntry> MainMenu();
const Window& WindowOf(Wnd id);
const Control& ControlOf(Ctl id);
const VersionInfo& Version();

inline constexpr int ToPixels(int twips) {
    return (twips * 2 + TwipsPerPixel) / (2 * TwipsPerPixel);
}

// Pictures, sizes in pixels: checked by the artwork generator and the tests.
inline constexpr int SmallLogoWidth = 55, SmallLogoHeight = 58;
inline constexpr int AboutBackgroundWidth = 164, AboutBackgroundHeight = 314;

}  // namespace dormix::ui
