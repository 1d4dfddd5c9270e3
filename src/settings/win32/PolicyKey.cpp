#include "settings/win32/PolicyKey.h"

#include <string>

#include "ui/win32/WinApi.h"

namespace dormix::settings_win32 {

const char* const PolicyKeyName = "HKLM\\SOFTWARE\\Policies\\Dormix Lite";

namespace {

const char* TypeName(DWORD type) {
    switch (type) {
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case REG_BINARY:
            return "REG_BINARY";
        case REG_QWORD:
            return "REG_QWORD";
        case REG_DWORD_BIG_ENDIAN:
            return "REG_DWORD_BIG_ENDIAN";
        case REG_NONE:
            return "REG_NONE";
        case REG_DWORD:
            return "REG_DWORD";  // of the wrong size
    }
    return "an unknown type";
}

// What a value of the wrong type holds, as far as it can be shown in a line.
std::string Shown(DWORD type, const BYTE* data, DWORD size) {
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        std::string text(reinterpret_cast<const char*>(data), size);
        return text.substr(0, text.find('\0'));
    }
    return std::to_string(size) + " bytes";
}

}  // namespace

settings::Reading PolicyKey::Read() {
    settings::Reading reading;
    HKEY key = nullptr;
    // Group Policy writes the 64-bit view on 64-bit Windows; this program is 32-bit.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Policies\\Dormix Lite", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return reading;
    reading.placeExists = true;
    for (const auto& info : settings::Table) {
        const std::string name(info.name);
        BYTE data[256] = {};
        DWORD type = 0, size = sizeof data - 1;
        const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size);
        if (status == ERROR_FILE_NOT_FOUND) continue;
        settings::Found found{name, {}, PolicyKeyName, 0, {}};
        if (status == ERROR_MORE_DATA) {
            found.wrongType = TypeName(type);
            found.value = "more than 255 bytes";
        } else if (status != ERROR_SUCCESS) {
            reading.problems.push_back(std::string(PolicyKeyName) + ": " + name +
                                       " cannot be read (error " + std::to_string(status) +
                                       "); ignored.");
            continue;
        } else if (type == REG_DWORD && size == sizeof(DWORD)) {
            DWORD seconds = 0;
            memcpy(&seconds, data, sizeof seconds);
            found.value = std::to_string(seconds);
        } else {
            found.wrongType = TypeName(type);
            found.value = Shown(type, data, size);
        }
        reading.values.push_back(std::move(found));
    }
    RegCloseKey(key);
    return reading;
}

}  // namespace dormix::settings_win32
