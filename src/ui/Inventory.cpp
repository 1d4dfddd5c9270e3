#include "ui/Inventory.h"

#include <stdexcept>

#include "ui/Texts.h"

namespace dormix::ui {
namespace {

constexpr Font Arial(double points, int weight = 400, bool underline = false) {
    return Font{"Arial", points, weight, underline};
}

constexpr Window kWindows[] = {
    {Wnd::DormixMain, "DormixMain", text::ProductWord, 7260, 1005, true, false, true,
     WindowIcon::Program, Background::ButtonFace},
    {Wnd::frmAbout, "frmAbout", text::ProductTitle, 2460, 4680, false, false, false,
     WindowIcon::AboutVariant, Background::AboutBitmap},
    {Wnd::MultiInst, "MultiInst", "Error", 4245, 1425, false, false, true, WindowIcon::Program,
     Background::ButtonFace},
};

// clang-format off
constexpr Control kControls[] = {
    // DormixMain
    {.id = Ctl::Exit, .window = Wnd::DormixMain, .name = "Exit", .kind = Kind::CommandButton,
     .caption = "Exit", .rect = {6235, 585, 980, 345}, .tabIndex = 7, .tooltip = "Close Dormix Lite"},
    {.id = Ctl::Logo, .window = Wnd::DormixMain, .name = "Logo", .kind = Kind::PictureBox,
     .rect = {6380, 75, 855, 435}, .tabIndex = 6, .picture = Picture::SmallLogo},
    {.id = Ctl::About, .window = Wnd::DormixMain, .name = "About", .kind = Kind::CommandButton,
     .caption = "About", .rect = {5097, 585, 980, 345}, .tabIndex = 5, .tooltip = "About Dormix Lite"},
    {.id = Ctl::Reset, .window = Wnd::DormixMain, .name = "Reset", .kind = Kind::CommandButton,
     .caption = "Reset", .rect = {3960, 585, 980, 345}, .tabIndex = 4, .tooltip = "Reset Dormix Lite"},
    {.id = Ctl::TestS, .window = Wnd::DormixMain, .name = "TestS", .kind = Kind::CommandButton,
     .caption = "Test", .rect = {90, 585, 980, 345}, .tabIndex = 3,
     .tooltip = "Enables/Restarts Dormix Lite Test Mode"},
    {.id = Ctl::tmrRefresh, .window = Wnd::DormixMain, .name = "tmrRefresh", .kind = Kind::Timer,
     .intervalMs = 1000, .enabled = false},
    {.id = Ctl::Title, .window = Wnd::DormixMain, .name = "Title", .kind = Kind::Label,
     .rect = {90, 0, 6240, 255}, .tabIndex = 2},
    {.id = Ctl::Counter, .window = Wnd::DormixMain, .name = "Counter", .kind = Kind::Label,
     .rect = {1710, 255, 4350, 255}, .tabIndex = 1},
    {.id = Ctl::CPULoad, .window = Wnd::DormixMain, .name = "CPULoad", .kind = Kind::Label,
     .rect = {90, 255, 1680, 255}, .tabIndex = 0},
    // frmAbout
    {.id = Ctl::Timer1, .window = Wnd::frmAbout, .name = "Timer1", .kind = Kind::Timer,
     .intervalMs = 1000, .enabled = true},
    {.id = Ctl::ExitAbout, .window = Wnd::frmAbout, .name = "ExitAbout", .kind = Kind::CommandButton,
     .caption = "Close", .rect = {1400, 4200, 1000, 375}, .tabIndex = 0,
     .tooltip = "Close Dormix Lite About Screen"},
    {.id = Ctl::TMessage, .window = Wnd::frmAbout, .name = "TMessage", .kind = Kind::Label,
     .rect = {45, 3840, 2370, 255}, .font = Arial(9, 700), .fore = Orange,
     .align = Align::Centre, .transparent = true},
    {.id = Ctl::ProgName, .window = Wnd::frmAbout, .name = "ProgName", .kind = Kind::Label,
     .caption = "Prog Name", .rect = {75, 1050, 2325, 375}, .font = Arial(15.75), .fore = Black,
     .align = Align::Centre, .transparent = true},
    {.id = Ctl::Copyright, .window = Wnd::frmAbout, .name = "Copyright", .kind = Kind::Label,
     .caption = text::AboutCopyright, .rect = {75, 3600, 2325, 255}, .font = Arial(8.25),
     .fore = White, .align = Align::Centre, .transparent = true},
    {.id = Ctl::ProgVersion, .window = Wnd::frmAbout, .name = "ProgVersion", .kind = Kind::Label,
     .caption = "Version", .rect = {75, 1425, 2325, 315}, .font = Arial(12), .fore = White,
     .align = Align::Centre, .transparent = true},
    {.id = Ctl::WebSite, .window = Wnd::frmAbout, .name = "WebSite", .kind = Kind::Label,
     .caption = text::AboutWebText, .rect = {75, 3240, 2325, 315}, .font = Arial(9.75, 400, true),
     .fore = LinkGreen, .align = Align::Centre, .transparent = true},
    {.id = Ctl::Label3, .window = Wnd::frmAbout, .name = "Label3", .kind = Kind::Label,
     .rect = {45, 1875, 2370, 1650}, .back = White},
    // MultiInst
    {.id = Ctl::NoticeExit, .window = Wnd::MultiInst, .name = "Exit", .kind = Kind::CommandButton,
     .caption = "OK", .rect = {1725, 1050, 980, 345}, .tabIndex = 1, .tooltip = "Exit"},
    {.id = Ctl::Image1, .window = Wnd::MultiInst, .name = "Image1", .kind = Kind::Image,
     .rect = {150, 225, 480, 480}, .picture = Picture::ErrorIcon},
    {.id = Ctl::ErrorMess, .window = Wnd::MultiInst, .name = "ErrorMess", .kind = Kind::Label,
     .caption = "Error Message", .rect = {810, 180, 3375, 735}, .tabIndex = 0, .fore = Black},
};
// clang-format on

constexpr MenuEntry kMainMenu[] = {
    {"mnufile", "File", 0},
    {"MenuShow", "Show", 1},
    {"MenuShowLarge", "Show Large Bar", 2},
    {"MenuLittle", "Show Little Bar", 2},
    {"MenuGraph", "Show Graph", 2},
    {"MenuLittleWithGraph", "Show Little Bar With Graph", 2},
    {"MenuNumbers", "Show Numbers Only", 2},
    {"line1", "-", 1},
    {"MenuSettings", "Settings", 1},
    {"menuabout", "About", 1},
    {"line2", "-", 1},
    {"menuExit", "Exit", 1},
};

constexpr VersionInfo kVersion{
    text::VersionParts[0],
    text::VersionParts[1],
    text::VersionParts[2],
    text::VersionParts[3],
    text::ResourceVersionText,
    text::ProductTitle,
    text::ExeBaseName,
    "DormixL.exe",
    "Keyboard & Mouse  Monitoring And Control Utility",
    "Shuts down computer if there is no keyboard or mouse activity for a preset time",
    "The Dormix Lite authors",
    text::AboutCopyright,
    0x0409,
    0x04B0,
};

}  // namespace

std::span<const Window> Windows() { return kWindows; }
std::span<const Control> Controls() { return kControls; }
std::span<const MenuEntry> MainMenu() { return kMainMenu; }
const VersionInfo& Version() { return kVersion; }

const Window& WindowOf(Wnd id) {
    for (const auto& w : kWindows)
        if (w.id == id) return w;
    throw std::out_of_range("unknown window");
}

const Control& ControlOf(Ctl id) {
    for (const auto& c : kControls)
        if (c.id == id) return c;
    throw std::out_of_range("unknown control");
}

}  // namespace dormix::ui
