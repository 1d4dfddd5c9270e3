#include "frontend/setup_win32/PolicySetup.h"

#include <cwchar>

#include "frontend/setup_win32/ActionData.h"

namespace dormix::setup_win32 {

namespace {

constexpr wchar_t PolicyKey[] = L"SOFTWARE\\Policies\\Dormix Lite";
// The key the program reads: Policies is shared by the 32-bit and 64-bit
// views, and 32-bit Windows ignores the flag.
constexpr REGSAM View = KEY_WOW64_64KEY;
constexpr wchar_t Absent[] = L"-";
// The field that says whether the key itself was there.
constexpr wchar_t KeyField[] = L"key";
constexpr wchar_t Digits[] = L"0123456789abcdef";
constexpr wchar_t ScheduleValue[] = L"Schedule";
constexpr wchar_t ActionValue[] = L"Action";

// "TYPE:HEX" for a value's type and bytes.
std::wstring Encoded(DWORD type, const std::vector<BYTE>& data) {
    std::wstring text = std::to_wstring(type) + L':';
    for (BYTE b : data) text += {Digits[b >> 4], Digits[b & 15]};
    return text;
}

void Decode(const std::wstring& text, DWORD& type, std::vector<BYTE>& data) {
    wchar_t* rest = nullptr;
    type = std::wcstoul(text.c_str(), &rest, 10);
    if (*rest == L':') ++rest;
    for (; rest[0] && rest[1]; rest += 2)
        data.push_back(BYTE((std::wcschr(Digits, rest[0]) - Digits) << 4 |
                            (std::wcschr(Digits, rest[1]) - Digits)));
}

}  // namespace

std::wstring ReadPolicyAsIs(const std::vector<std::wstring>& names) {
    std::vector<Field> fields;
    HKEY key = nullptr;
    const bool open = RegOpenKeyExW(HKEY_LOCAL_MACHINE, PolicyKey, 0, KEY_QUERY_VALUE | View,
                                    &key) == ERROR_SUCCESS;
    fields.emplace_back(KeyField, open ? L"1" : L"0");
    for (const std::wstring& name : names) {
        DWORD type = 0, size = 0;
        if (!open ||
            RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            fields.emplace_back(name, Absent);
            continue;
        }
        std::vector<BYTE> data(size);
        RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
        data.resize(size);
        fields.emplace_back(name, Encoded(type, data));
    }
    if (open) RegCloseKey(key);
    return Joined(fields);
}

bool WritePolicy(const PolicyValues& values, std::wstring& why) {
    if (values.empty()) return true;
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, PolicyKey, 0, nullptr, 0,
                                  KEY_SET_VALUE | View, nullptr, &key, nullptr);
    for (auto value = values.begin(); status == ERROR_SUCCESS && value != values.end(); ++value) {
        if (value->first == ScheduleValue) {
            // "a;b" as "a\0b\0\0".
            std::wstring list = value->second;
            for (wchar_t& c : list)
                if (c == L';') c = L'\0';
            list.append(2, L'\0');
            status = RegSetValueExW(key, value->first.c_str(), 0, REG_MULTI_SZ,
                                    reinterpret_cast<const BYTE*>(list.data()),
                                    DWORD(list.size() * sizeof(wchar_t)));
        } else if (value->first == ActionValue) {
            const std::wstring& word = value->second;
            status = RegSetValueExW(key, value->first.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(word.c_str()),
                                    DWORD((word.size() + 1) * sizeof(wchar_t)));
        } else {
            const DWORD number = std::wcstoul(value->second.c_str(), nullptr, 10);
            status = RegSetValueExW(key, value->first.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&number), sizeof number);
        }
        if (status != ERROR_SUCCESS) why = L"writing " + value->first + L" failed";
    }
    if (key) RegCloseKey(key);
    if (status == ERROR_SUCCESS) return true;
    if (why.empty()) why = L"the policy key cannot be written";
    why += L" (error " + std::to_wstring(status) + L")";
    return false;
}

void RestorePolicy(const std::wstring& asIs) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PolicyKey, 0, KEY_SET_VALUE | KEY_QUERY_VALUE | View,
                      &key) != ERROR_SUCCESS)
        return;  // never made: nothing was written
    bool keyWasThere = true;
    for (const auto& [name, value] : Fields(asIs)) {
        if (name == KeyField) {
            keyWasThere = value == L"1";
        } else if (value == Absent) {
            RegDeleteValueW(key, name.c_str());
        } else {
            DWORD type = 0;
            std::vector<BYTE> data;
            Decode(value, type, data);
            RegSetValueExW(key, name.c_str(), 0, type, data.data(), DWORD(data.size()));
        }
    }
    // A key the install made goes too, unless something else has been put
    // in it meanwhile: the program reads an empty key as settings in force.
    DWORD subkeys = 0, values = 0;
    const bool empty =
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subkeys == 0 && values == 0;
    RegCloseKey(key);
    if (!keyWasThere && empty) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, PolicyKey, View, 0);
}

}  // namespace dormix::setup_win32
