// The per-printer settings that the page stores for the printing side of the driver: the
// "MISC" value's layout, its defaults and validity rules, the number boxes' arithmetic and
// the settings key's path. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kyr {

// The "MISC" value, one byte per field. Times are in units of 2 ms.
struct MiscSettings {
    std::uint8_t lineFeeds;
    std::uint8_t endDrawer1;
    std::uint8_t endDrawer1Time;
    std::uint8_t endDrawer2;
    std::uint8_t endDrawer2Time;
    std::uint8_t reserved;
    std::uint8_t startDrawer1;
    std::uint8_t startDrawer1Time;
    std::uint8_t startDrawer2;
    std::uint8_t startDrawer2Time;
};
static_assert(sizeof(MiscSettings) == 10, "MISC is stored byte for byte");
// The printing side reads the value by its own fixed layout, whichever build of the plug-in
// wrote it: byte fields only, so every build lays it out alike.
static_assert(alignof(MiscSettings) == 1 && offsetof(MiscSettings, reserved) == 5 &&
                  offsetof(MiscSettings, startDrawer2Time) == 9,
              "MISC's fields sit where every build reads them");

constexpr std::size_t kMiscValueSize = sizeof(MiscSettings);
// Longer "MISC" values than this are not ours; they load as defaults.
constexpr std::size_t kMiscReadLimit = 20;

constexpr std::uint8_t kDefaultDrawerTime = 25;  // 50 ms
constexpr std::uint8_t kMinDrawerTime = 25;
constexpr std::uint8_t kMaxDrawerTime = 125;

// The number boxes show milliseconds; their arrows keep to this range.
constexpr std::uint8_t kMinPulseMs = 50;
constexpr std::uint8_t kMaxPulseMs = 250;

MiscSettings DefaultMiscSettings();

// The settings as loaded from what the registry read gave: defaults when the read failed
// or the value is longer than kMiscReadLimit; a shorter value leaves the missing fields 0.
// Times are not yet validated (see ValidateDrawerTimes).
MiscSettings MiscFromStoredValue(bool readSucceeded, const std::uint8_t* data,
                                 std::size_t length);

// A time outside 25..125 is not one the printer accepts; it comes back as the default.
std::uint8_t ValidDrawerTime(std::uint8_t time);
void ValidateDrawerTimes(MiscSettings& settings);

// Only exactly 1 means "open the drawer"; any other byte is taken as unset.
inline bool DrawerFlagSet(std::uint8_t flag) { return flag == 1; }

// One arrow step of a time box: the shown value plus or minus one within the byte, then
// held within 50..250.
std::uint8_t StepPulseMs(std::uint8_t shown, bool up);

// The number in a box, read as the C library's atoi reads it (leading blanks, optional
// sign, digits up to the first other character, none giving 0), kept as its low 8 bits.
// Unlike atoi, a number too long for an int still gives its low 8 bits.
std::uint8_t ParseDecimalByte(const char* text);

// "SOFTWARE\KYR_POS_PRINTER\" followed by the printer's name with every blank turned into
// "_". Fails (and leaves an empty string) when the name is longer than kMaxPrinterNameChars
// or the path does not fit into `capacity` characters: a cut name could be another
// printer's key.
constexpr std::size_t kMaxPrinterNameChars = 259;
bool FormSettingsKeyPath(const wchar_t* printerName, wchar_t* out, std::size_t capacity);

}  // namespace kyr
