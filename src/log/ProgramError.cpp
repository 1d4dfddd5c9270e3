#include "log/ProgramError.h"

#include "ui/Texts.h"

namespace dormix {

std::string ProgramErrorReport(std::int32_t number, std::string_view description) {
    std::string out(text::ProgramErrorHeading);
    out += text::LineBreak;
    out += text::ProgramErrorNumber;
    out += std::to_string(number);
    out += text::LineBreak;
    out += text::ProgramErrorDescription;
    out += description;
    return out;
}

std::string ErrorTitle() {
    return std::string(text::ProductTitle) + std::string(text::ProgramErrorTitleSuffix);
}

}  // namespace dormix
