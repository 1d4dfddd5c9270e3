#include "platform/win32/settings/PolicyKey.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/WinApi.h"

namespace dormix::win32_settings {

const char* const PolicyKeyName = "HKLM\\SOFTWARE\\Policies\\Dormix Lite";

namespace {

std::string TypeName(DWORD type) {
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
    }
    return "registry type " + std::to_string(type);
}

// What stands where a four-byte REG_DWORD belongs, said as a warning says
// it: a text as its text, anything else by its size.
std::string Described(DWORD type, const BYTE* data, DWORD size, bool whole) {
    const std::string bytes = whole ? std::to_string(size) + " bytes" : "more than 255 bytes";
    if (type == REG_DWORD) return "a REG_DWORD of " + bytes + ", not 4";
    std::string shown = " of " + bytes;
    if (whole && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
        const std::string text(reinterpret_cast<const char*>(data), size);
        shown = " \"" + settings::Quoted(text.substr(0, text.find('\0'))) + "\"";
    }
    return TypeName(type) + shown + ", not REG_DWORD";
}

// A value the registry would not give: said, and passed over.
void CannotRead(const std::string& name, LONG status, settings::Reading& reading) {
    reading.problems.push_back(std::string(PolicyKeyName) + ": " + name +
                               " cannot be read (error " + std::to_string(status) + "); ignored.");
}

bool Known(std::string_view name) {
    if (name == settings::ScheduleName || name == settings::ActionName) return true;
    for (const auto& info : settings::Table)
        if (info.name == name) return true;
    return false;
}

// The schedule: a REG_MULTI_SZ, one window a string, each numbered as a
// file's line would be. More than 64 KiB is a mistake, not a schedule.
void ReadSchedule(HKEY key, settings::Reading& reading) {
    const std::string name(settings::ScheduleName);
    std::vector<BYTE> data(64 * 1024 + 2);
    DWORD type = 0, size = DWORD(data.size() - 2);
    const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_FILE_NOT_FOUND) return;
    settings::Found found{name, {}, PolicyKeyName, 0, {}};
    if (status == ERROR_MORE_DATA) {
        found.wrongType = TypeName(type) + " of more than 64 KiB";
    } else if (status != ERROR_SUCCESS) {
        CannotRead(name, status, reading);
        return;
    } else if (type == REG_MULTI_SZ) {
        // Strings end in NUL and the list in one more; the bytes past `size`
        // are zero, so a list missing its last NULs still ends.
        const char* text = reinterpret_cast<const char*>(data.data());
        const char* const end = text + size;
        for (int line = 1; text < end && *text; ++line) {
            const std::string window(text);
            text += window.size() + 1;
            reading.values.push_back({name, window, PolicyKeyName, line, {}});
        }
        return;
    } else {
        const std::string text(reinterpret_cast<const char*>(data.data()), size);
        found.wrongType = type == REG_SZ || type == REG_EXPAND_SZ
                              ? TypeName(type) + " \"" + settings::Quoted(text.c_str()) + "\""
                              : TypeName(type) + " of " + std::to_string(size) + " bytes";
        found.wrongType += ", not REG_MULTI_SZ";
    }
    reading.values.push_back(std::move(found));
}

// The action: a REG_SZ word. A number where the word belongs (a DWORD 1
// for Hibernate, say) is quoted so the administrator sees what went wrong.
void ReadAction(HKEY key, settings::Reading& reading) {
    const std::string name(settings::ActionName);
    BYTE data[256] = {};
    DWORD type = 0, size = sizeof data - 1;
    const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size);
    if (status == ERROR_FILE_NOT_FOUND) return;
    settings::Found found{name, {}, PolicyKeyName, 0, {}};
    if (status == ERROR_MORE_DATA) {
        found.wrongType = TypeName(type) + " of more than 255 bytes, not a word";
    } else if (status != ERROR_SUCCESS) {
        CannotRead(name, status, reading);
        return;
    } else if (type == REG_SZ) {
        found.value = reinterpret_cast<const char*>(data);  // NUL-ended: the byte past `size` is 0
    } else if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number = 0;
        memcpy(&number, data, sizeof number);
        found.wrongType = "REG_DWORD " + std::to_string(number) + ", not REG_SZ";
    } else {
        found.wrongType = TypeName(type) + " of " + std::to_string(size) + " bytes, not REG_SZ";
    }
    reading.values.push_back(std::move(found));
}

// Every value name the key holds that is no setting: a misspelt name would
// otherwise leave the default in force without a word. The longest name
// the registry allows fits.
void AddUnknownNames(HKEY key, settings::Reading& reading) {
    std::vector<char> name(16384);
    for (DWORD i = 0;; ++i) {
        DWORD length = DWORD(name.size());
        const LONG status =
            RegEnumValueA(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS
        const std::string found(name.data(), length);
        if (!Known(found)) reading.values.push_back({found, {}, PolicyKeyName, 0, {}});
    }
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
            found.wrongType = Described(type, data, size, false);
        } else if (status != ERROR_SUCCESS) {
            CannotRead(name, status, reading);
            continue;
        } else if (type == REG_DWORD && size == sizeof(DWORD)) {
            DWORD seconds = 0;
            memcpy(&seconds, data, sizeof seconds);
            found.value = std::to_string(seconds);
        } else {
            found.wrongType = Described(type, data, size, true);
        }
        reading.values.push_back(std::move(found));
    }
    ReadAction(key, reading);
    ReadSchedule(key, reading);
    AddUnknownNames(key, reading);
    RegCloseKey(key);
    return reading;
}

}  // namespace dormix::win32_settings
