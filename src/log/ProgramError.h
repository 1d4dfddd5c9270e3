#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dormix {

// An error raised by a service: it carries a number, the source that raised
// it and a description, and is reported by the last-resort handler when
// nobody catches it.
class ProgramError : public std::runtime_error {
  public:
    ProgramError(std::int32_t number, std::string source, std::string description)
        : std::runtime_error(description),
          number_(number),
          source_(std::move(source)),
          description_(std::move(description)) {}

    std::int32_t Number() const { return number_; }
    const std::string& Source() const { return source_; }
    const std::string& Description() const { return description_; }

  private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
};

// The last-resort report's text, "A program error has occured" with the
// error's number and description, and its title.
std::string ProgramErrorReport(std::int32_t number, std::string_view description);
std::string ErrorTitle();

// Counters are signed 16-bit; leaving that range is a program error.
inline constexpr std::int32_t OverflowErrorNumber = 6;

}  // namespace dormix
