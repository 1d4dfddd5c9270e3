#pragma once

#include <cstdint>

namespace dormix::ui {

// A colour as the windows use it: either one of the system's colours
// (button face, button text), which follow the desktop theme, or a fixed
// Windows colour value 0x00BBGGRR.
struct Colour {
    enum class System : std::uint8_t { None, ButtonFace, ButtonText };

    System system = System::None;
    std::uint32_t bgr = 0;

    static constexpr Colour ButtonFace() { return {System::ButtonFace, 0}; }
    static constexpr Colour ButtonText() { return {System::ButtonText, 0}; }
    static constexpr Colour Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return {System::None, std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16};
    }
    static constexpr Colour FromColorRef(std::uint32_t value) {
        return {System::None, value & 0xFFFFFF};
    }

    constexpr std::uint8_t Red() const { return bgr & 0xFF; }
    constexpr std::uint8_t Green() const { return (bgr >> 8) & 0xFF; }
    constexpr std::uint8_t Blue() const { return (bgr >> 16) & 0xFF; }
    constexpr bool operator==(const Colour&) const = default;
};

inline constexpr Colour Orange = Colour::FromColorRef(0x0080FF);
inline constexpr Colour White = Colour::FromColorRef(0xFFFFFF);
inline constexpr Colour Black = Colour::FromColorRef(0x000000);
inline constexpr Colour LinkGreen = Colour::Rgb(0x00, 0x66, 0x00);
inline constexpr Colour BrandBlue = Colour::Rgb(0x08, 0x6B, 0xCE);

}  // namespace dormix::ui
