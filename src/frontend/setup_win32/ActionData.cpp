#include "frontend/setup_win32/ActionData.h"

#include <windows.h>

namespace dormix::setup_win32 {

std::vector<Field> Fields(const std::wstring& text) {
    std::vector<Field> fields;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = std::min(text.find(L'|', from), text.size());
        const std::wstring field = text.substr(from, end - from);
        const std::size_t equals = field.find(L'=');
        if (equals != std::wstring::npos)
            fields.emplace_back(field.substr(0, equals), field.substr(equals + 1));
        from = end + 1;
    }
    return fields;
}

std::wstring Joined(const std::vector<Field>& fields) {
    std::wstring text;
    for (const auto& [key, value] : fields) {
        if (!text.empty()) text += L'|';
        text += key + L'=' + value;
    }
    return text;
}

std::wstring Wide(std::string_view text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(std::size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace dormix::setup_win32
