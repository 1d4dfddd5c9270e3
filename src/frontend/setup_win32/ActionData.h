#pragma once
// The text a custom action hands to the deferred and rollback actions it
// schedules (their CustomActionData): fields "key=value" joined by "|",
// which no Windows path contains.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dormix::setup_win32 {

using Field = std::pair<std::wstring, std::wstring>;

std::vector<Field> Fields(const std::wstring& text);
std::wstring Joined(const std::vector<Field>& fields);

// UTF-8 and UTF-16, as the core's texts and the installer's calls want them.
std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);

}  // namespace dormix::setup_win32
