#include "plugin/settings_layout.h"

#include <cstring>

namespace kyr {

MiscSettings DefaultMiscSettings() {
    MiscSettings s = {};
    s.endDrawer1Time = kDefaultDrawerTime;
    s.endDrawer2Time = kDefaultDrawerTime;
    s.startDrawer1Time = kDefaultDrawerTime;
    s.startDrawer2Time = kDefaultDrawerTime;
    return s;
}

MiscSettings MiscFromStoredValue(bool readSucceeded, const std::uint8_t* data,
                                 std::size_t length) {
    if (!readSucceeded || length > kMiscReadLimit) return DefaultMiscSettings();
    MiscSettings s = {};
    std::memcpy(&s, data, length < kMiscValueSize ? length : kMiscValueSize);
    return s;
}

std::uint8_t ValidDrawerTime(std::uint8_t time) {
    return (time < kMinDrawerTime || time > kMaxDrawerTime) ? kDefaultDrawerTime : time;
}

void ValidateDrawerTimes(MiscSettings& s) {
    s.endDrawer1Time = ValidDrawerTime(s.endDrawer1Time);
    s.endDrawer2Time = ValidDrawerTime(s.endDrawer2Time);
    s.startDrawer1Time = ValidDrawerTime(s.startDrawer1Time);
    s.startDrawer2Time = ValidDrawerTime(s.startDrawer2Time);
}

std::uint8_t StepPulseMs(std::uint8_t shown, bool up) {
    const std::uint8_t stepped = static_cast<std::uint8_t>(up ? shown + 1 : shown - 1);
    if (stepped < kMinPulseMs) return kMinPulseMs;
    if (stepped > kMaxPulseMs) return kMaxPulseMs;
    return stepped;
}

std::uint8_t ParseDecimalByte(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // Unsigned arithmetic wraps where atoi would overflow; the low 8 bits are the same as
    // those of the int whenever the int exists.
    std::uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<std::uint32_t>(*p - '0');
    if (negative) value = 0u - value;
    return static_cast<std::uint8_t>(value & 0xFFu);
}

bool FormSettingsKeyPath(const wchar_t* printerName, wchar_t* out, std::size_t capacity) {
    static const wchar_t kRoot[] = L"SOFTWARE\\KYR_POS_PRINTER\\";
    const std::size_t rootLength = sizeof(kRoot) / sizeof(kRoot[0]) - 1;
    if (capacity == 0) return false;
    out[0] = L'\0';
    if (printerName == nullptr) return false;
    std::size_t nameLength = 0;
    while (printerName[nameLength] != L'\0') {
        if (++nameLength > kMaxPrinterNameChars) return false;
    }
    if (rootLength + nameLength + 1 > capacity) return false;
    for (std::size_t i = 0; i < rootLength; ++i) out[i] = kRoot[i];
    for (std::size_t i = 0; i < nameLength; ++i) {
        out[rootLength + i] = printerName[i] == L' ' ? L'_' : printerName[i];
    }
    out[rootLength + nameLength] = L'\0';
    return true;
}

}  // namespace kyr
