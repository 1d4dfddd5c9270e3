#include "log/ProgramError.h"

#include "log/LastResort.h"
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

std::string ErrorTitle() { return text::Fill(text::ProgramErrorTitle, {text::ProductTitle}); }

}  // namespace dormix

namespace dormix::log {

void LastResortReport(ProgramEnd& end, SystemLog& systemLog, std::int32_t number,
                      std::string_view source, std::string_view description) {
    const std::string text = ProgramErrorReport(number, description), title = ErrorTitle();
    end.Fail(systemLog, {SystemEvent::ProgramError, title, text, number, source});
}

}  // namespace dormix::log
