#include <gtest/gtest.h>

#include <map>
#include <set>

#include "ui/Inventory.h"

namespace dormix::ui {
namespace {

struct Px {
    int l, t, w, h;
    bool operator==(const Px&) const = default;
};

Px PixelsOf(const Control& c) {
    return {ToPixels(c.rect.left), ToPixels(c.rect.top), ToPixels(c.rect.width),
            ToPixels(c.rect.height)};
}

TEST(Inventory, WindowsAndControlsLandOnTheirPixelsAt96Dpi) {
    EXPECT_EQ(ToPixels(WindowOf(Wnd::DormixMain).clientWidth), 484);
    EXPECT_EQ(ToPixels(WindowOf(Wnd::DormixMain).clientHeight), 67);
    EXPECT_EQ(ToPixels(WindowOf(Wnd::frmAbout).clientWidth), 164);
    EXPECT_EQ(ToPixels(WindowOf(Wnd::frmAbout).clientHeight), 312);
    EXPECT_EQ(ToPixels(WindowOf(Wnd::MultiInst).clientWidth), 283);
    EXPECT_EQ(ToPixels(WindowOf(Wnd::MultiInst).clientHeight), 95);

    // The pixel column of the window tables, rounded to the nearest pixel.
    const std::map<Ctl, Px> expected = {
        {Ctl::Exit, {416, 39, 65, 23}},       {Ctl::Logo, {425, 5, 57, 29}},
        {Ctl::About, {340, 39, 65, 23}},      {Ctl::Reset, {264, 39, 65, 23}},
        {Ctl::TestS, {6, 39, 65, 23}},        {Ctl::Title, {6, 0, 416, 17}},
        {Ctl::Counter, {114, 17, 290, 17}},   {Ctl::CPULoad, {6, 17, 112, 17}},
        {Ctl::ExitAbout, {93, 280, 67, 25}},  {Ctl::TMessage, {3, 256, 158, 17}},
        {Ctl::ProgName, {5, 70, 155, 25}},    {Ctl::Copyright, {5, 240, 155, 17}},
        {Ctl::ProgVersion, {5, 95, 155, 21}}, {Ctl::WebSite, {5, 216, 155, 21}},
        {Ctl::Label3, {3, 125, 158, 110}},    {Ctl::NoticeExit, {115, 70, 65, 23}},
        {Ctl::Image1, {10, 15, 32, 32}},      {Ctl::ErrorMess, {54, 12, 225, 49}},
    };
    for (const auto& [id, px] : expected)
        EXPECT_EQ(PixelsOf(ControlOf(id)), px) << ControlOf(id).name;
    for (const auto& c : Controls())
        EXPECT_TRUE(c.kind == Kind::Timer || expected.count(c.id)) << c.name;
}

TEST(Inventory, FocusOrderAndTimersAreAsDesigned) {
    std::vector<std::string_view> order;
    std::map<int, std::string_view> byTab;
    for (const auto& c : Controls())
        if (c.window == Wnd::DormixMain && c.tabIndex >= 0) byTab[c.tabIndex] = c.name;
    for (const auto& [tab, name] : byTab) order.push_back(name);
    EXPECT_EQ(order, (std::vector<std::string_view>{"CPULoad", "Counter", "Title", "TestS", "Reset",
                                                    "About", "Logo", "Exit"}));
    EXPECT_EQ(ControlOf(Ctl::tmrRefresh).intervalMs, 1000);
    EXPECT_FALSE(ControlOf(Ctl::tmrRefresh).enabled);
    EXPECT_EQ(ControlOf(Ctl::Timer1).intervalMs, 1000);
    EXPECT_TRUE(ControlOf(Ctl::Timer1).enabled);
    // Every control belongs to a window that exists, and names are unique per window.
    std::set<std::pair<Wnd, std::string_view>> names;
    for (const auto& c : Controls()) EXPECT_TRUE(names.insert({c.window, c.name}).second) << c.name;
}

TEST(Inventory, VersionInformationIsComplete) {
    const auto& v = Version();
    EXPECT_EQ((std::vector<int>{v.major, v.minor, v.build, v.revision}),
              (std::vector<int>{2, 1, 0, 8}));
    EXPECT_EQ(v.fileVersionText, "2.01.0008");
    EXPECT_EQ(v.fileDescription, "Keyboard & Mouse  Monitoring And Control Utility");
    EXPECT_EQ(v.originalFilename, "DormixL.exe");
    EXPECT_EQ(v.language, 0x0409);
    EXPECT_EQ(v.codePage, 0x04B0);
    EXPECT_EQ(MainMenu().size(), 12u);
    EXPECT_EQ(MainMenu().front().level, 0);
}

}  // namespace
}  // namespace dormix::ui
