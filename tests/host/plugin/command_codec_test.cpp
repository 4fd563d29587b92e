#include "plugin/command_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace kyr {
namespace {

using Bytes = std::vector<unsigned char>;

ParsedCommand ParseInto(const std::string& text, LeadBytePredicate isLead, std::size_t capacity,
                        Bytes* bytes) {
    // Exactly the capacity on the heap, so that the sanitizer sees a write past it.
    std::unique_ptr<unsigned char[]> out(new unsigned char[capacity + (capacity == 0)]);
    const ParsedCommand parsed = ParseCommandText(text.data(), text.size(), isLead, out.get(),
                                                  capacity);
    bytes->clear();
    if (parsed.outcome == ParseOutcome::kParsed) bytes->assign(out.get(), out.get() + parsed.length);
    return parsed;
}

// The bytes a valid text stands for; empty for any other outcome.
Bytes Parse(const std::string& text, std::size_t capacity = kCommandCapacity,
            LeadBytePredicate isLead = NoLeadBytes) {
    Bytes bytes;
    ParseInto(text, isLead, capacity, &bytes);
    return bytes;
}

std::string Format(const Bytes& bytes) {
    std::string out(4 * bytes.size() + 1, '\x7E');
    const std::size_t n = FormatCommandBytes(bytes.data(), bytes.size(), &out[0], out.size());
    EXPECT_EQ(out[n], '\0');
    out.resize(n);
    return out;
}

TEST(HexPairToByte, DigitsOfEitherCaseAndNothingElse) {
    struct Case { char high, low; bool valid; unsigned char value; };
    const Case cases[] = {
        {'0', '0', true, 0x00}, {'9', '9', true, 0x99}, {'A', 'f', true, 0xAF},
        {'f', 'F', true, 0xFF}, {'1', 'b', true, 0x1B}, {'G', '0', false, 0},
        {'0', 'g', false, 0},   {'x', '1', false, 0},   {'1', '\0', false, 0},
        {' ', '1', false, 0},   {'/', '0', false, 0},   {':', '0', false, 0},
        {'@', '0', false, 0},   {'`', '0', false, 0},
    };
    for (const Case& c : cases) {
        unsigned char out = 0x5A;
        EXPECT_EQ(HexPairToByte(c.high, c.low, &out), c.valid) << c.high << c.low;
        EXPECT_EQ(out, c.valid ? c.value : 0x5A) << c.high << c.low;
    }
}

TEST(ParseCommandText, EscapesAndPlainCharacters) {
    struct Case { const char* text; Bytes bytes; };
    const Case cases[] = {
        {"", {}},
        {"\\x1B\\x70\\x00\\x19\\xff", {0x1B, 0x70, 0x00, 0x19, 0xFF}},
        {"\\x1D\\x56\\x42\\x00", {0x1D, 0x56, 0x42, 0x00}},
        {"\\x1b", {0x1B}},
        {"\\x1B", {0x1B}},
        {"\\x1Bp", {0x1B, 0x70}},             // no separator needed after an escape
        {"xyz", {0x78, 0x79, 0x7A}},           // a lone x is its own byte
        {"\\X1B", {0x5C, 0x58, 0x31, 0x42}},   // only a lowercase x escapes
        {"a b", {0x61, 0x20, 0x62}},
        {"\\", {0x5C}},                        // a lone backslash at the end
        {"\\\\", {0x5C, 0x5C}},
        {"\\a", {0x5C, 0x61}},
        {"\\\\x41", {0x5C, 0x41}},             // the second backslash starts the escape
        {"\xE9\x80", {0xE9, 0x80}},            // upper half of the code page, as typed
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.text), c.bytes) << c.text;
}

TEST(ParseCommandText, AnyMalformedEscapeEmptiesTheWholeCommand) {
    const struct { const char* text; std::size_t position; } cases[] = {
        {"\\x1G", 0}, {"ABC\\x1G", 3}, {"\\x1Gxyz\\x41", 0}, {"\\x", 0}, {"AB\\x", 2},
        {"\\x4", 0}, {"\\x41\\x4", 4}, {"\\xg1", 0}, {"\\x 1", 0}, {"\\x41\\x1G\\xZZ", 4}};
    for (const auto& c : cases) {
        Bytes bytes;
        const ParsedCommand parsed = ParseInto(c.text, NoLeadBytes, kCommandCapacity, &bytes);
        EXPECT_EQ(parsed.outcome, ParseOutcome::kMalformedEscape) << c.text;
        EXPECT_EQ(parsed.length, 0u) << c.text;
        EXPECT_EQ(parsed.position, c.position) << c.text;
    }
    // Over the limit and malformed: the malformed escape still empties it.
    Bytes bytes;
    const ParsedCommand over = ParseInto(std::string(3000, 'A') + "\\x1G", NoLeadBytes, kCommandLimit, &bytes);
    EXPECT_EQ(over.outcome, ParseOutcome::kMalformedEscape);
    EXPECT_EQ(over.position, 3000u);
}

TEST(ParseCommandText, StopsAtTheGivenLength) {
    const char text[] = "\\x41\\x42";
    unsigned char out[8];
    ParsedCommand parsed = ParseCommandText(text, 4, NoLeadBytes, out, sizeof out);
    EXPECT_EQ(parsed.outcome, ParseOutcome::kParsed);
    EXPECT_EQ(parsed.length, 1u);
    EXPECT_EQ(out[0], 0x41);
    parsed = ParseCommandText(text, 6, NoLeadBytes, out, sizeof out);  // cut mid-escape
    EXPECT_EQ(parsed.outcome, ParseOutcome::kMalformedEscape);
}

TEST(ParseCommandText, ACommandOverTheCapacityIsReportedWithItsLength) {
    std::string escapes;
    for (std::size_t i = 0; i < kCommandLimit; ++i) escapes += "\\xFF";
    struct Case { std::string text; std::size_t capacity; ParseOutcome outcome; std::size_t length; };
    const Case cases[] = {
        {std::string(kCommandLimit, 'A'), kCommandLimit, ParseOutcome::kParsed, kCommandLimit},
        {std::string(kCommandLimit + 1, 'A'), kCommandLimit, ParseOutcome::kTooLong, kCommandLimit + 1},
        {escapes, kCommandLimit, ParseOutcome::kParsed, kCommandLimit},
        {escapes + "A", kCommandLimit, ParseOutcome::kTooLong, kCommandLimit + 1},
        {escapes + escapes, kCommandLimit, ParseOutcome::kTooLong, 2 * kCommandLimit},
        {"ABC", 2, ParseOutcome::kTooLong, 3},
        {"ABC", 0, ParseOutcome::kTooLong, 3},
        {"", 0, ParseOutcome::kParsed, 0},
        // A double-byte character at the limit counts both its bytes.
        {std::string(kCommandLimit - 1, 'A') + "\x83\x5C", kCommandLimit, ParseOutcome::kTooLong,
         kCommandLimit + 1},
    };
    for (const Case& c : cases) {
        Bytes bytes;
        const ParsedCommand parsed = ParseInto(c.text, Cp932LeadByte, c.capacity, &bytes);
        EXPECT_EQ(parsed.outcome, c.outcome) << c.text.size() << " in " << c.capacity;
        EXPECT_EQ(parsed.length, c.length) << c.text.size() << " in " << c.capacity;
    }
}

// In code page 932 the second byte of a character may be 0x5C: "\x83\x5C" is one katakana
// character, never a backslash.
TEST(ParseCommandText, TheTrailByteOfADoubleByteCharacterNeverStartsAnEscape) {
    struct Case { const char* what; std::string text; Bytes cp932; Bytes singleByte; };
    const Case cases[] = {
        {"katakana so before x41", "\x83\x5Cx41", {0x83, 0x5C, 0x78, 0x34, 0x31}, {0x83, 0x41}},
        {"so then an escape", "\x83\x5C\\x41", {0x83, 0x5C, 0x41}, {0x83, 0x5C, 0x41}},
        {"escape then so", "\\x41\x83\x5C", {0x41, 0x83, 0x5C}, {0x41, 0x83, 0x5C}},
        {"hyouji", "\x95\x5C\x8E\xA6", {0x95, 0x5C, 0x8E, 0xA6}, {0x95, 0x5C, 0x8E, 0xA6}},
        {"half-width kana is one byte", "\xB1\\x41", {0xB1, 0x41}, {0xB1, 0x41}},
        {"lead byte at the end stands alone", "A\x83", {0x41, 0x83}, {0x41, 0x83}},
        {"a backslash right after a lead byte belongs to its character",
         "\x83\\x7", {0x83, 0x5C, 0x78, 0x37}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Parse(c.text, kCommandCapacity, Cp932LeadByte), c.cp932) << c.what;
        EXPECT_EQ(Parse(c.text, kCommandCapacity, NoLeadBytes), c.singleByte) << c.what;
    }
    // The trail byte is no backslash either for the malformed-escape rule.
    EXPECT_EQ(Parse("\x83\x5CxZZ", kCommandCapacity, Cp932LeadByte),
              (Bytes{0x83, 0x5C, 0x78, 0x5A, 0x5A}));
}

TEST(FormatCommandBytes, PrintableBytesAsThemselvesOthersEscapedUppercase) {
    struct Case { Bytes bytes; const char* text; };
    const Case cases[] = {
        {{}, ""},
        {{0x1B, 0x70, 0x00, 0x19, 0xFF}, "\\x1Bp\\x00\\x19\\xFF"},
        {{0x1D, 0x56, 0x42, 0x00}, "\\x1DVB\\x00"},
        {{0x20}, "\\x20"},
        {{0x21}, "!"},
        {{0x7F}, "\x7F"},
        {{0x80}, "\\x80"},
        {{0xAB}, "\\xAB"},
        {{0x78, 0x79}, "xy"},
        {{0x5C}, "\\"},            // a backslash nothing could mistake for an escape
        {{0x5C, 0x41}, "\\A"},
        {{0x5C, 0x5C}, "\\\\"},
        {{0x5C, 0x00}, "\\\\x00"},
    };
    for (const Case& c : cases) EXPECT_EQ(Format(c.bytes), c.text) << c.text;
}

TEST(FormatCommandBytes, ABackslashBeforeXIsEscapedSoItComesBackAsStored) {
    struct Case { Bytes bytes; const char* text; };
    const Case cases[] = {
        {{0x5C, 0x78, 0x34, 0x31}, "\\x5Cx41"},   // not 0x41
        {{0x5C, 0x78, 0x67}, "\\x5Cxg"},          // not an invalid escape emptying it all
        {{0x5C, 0x78}, "\\x5Cx"},
        {{0x5C, 0x5C, 0x78}, "\\\\x5Cx"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Format(c.bytes), c.text);
        EXPECT_EQ(Parse(Format(c.bytes)), c.bytes) << c.text;
    }
}

TEST(FormatCommandBytes, WritesOnlyWholeFormsWithinTheBuffer) {
    const Bytes bytes = {0x41, 0x00, 0x42};
    char out[8];
    std::memset(out, 0x7E, sizeof out);
    EXPECT_EQ(FormatCommandBytes(bytes.data(), bytes.size(), out, 5), 1u);  // "A" + no room for "\x00"
    EXPECT_STREQ(out, "A");
    EXPECT_EQ(out[2], 0x7E);
    EXPECT_EQ(FormatCommandBytes(bytes.data(), bytes.size(), out, 0), 0u);
    EXPECT_EQ(out[0], 'A');  // untouched without room for a terminator
}

TEST(CommandRoundTrip, EveryByteValueAndTheLongestCommands) {
    Bytes all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<unsigned char>(b));
    EXPECT_EQ(Parse(Format(all)), all);
    // The shown form is plain ASCII: it reads back the same under a double-byte code page.
    EXPECT_EQ(Parse(Format(all), kCommandCapacity, Cp932LeadByte), all);

    const Bytes worst(kCommandCapacity, 0x00);       // every byte shown as four characters
    const std::string text = Format(worst);
    EXPECT_EQ(text.size(), kCommandTextChars);
    EXPECT_EQ(Parse(text), worst);

    Bytes longest;
    for (std::size_t i = 0; i < 2047; ++i) longest.push_back(static_cast<unsigned char>(i * 7));
    EXPECT_EQ(Parse(Format(longest)), longest);

    Bytes backslashes;
    for (int i = 0; i < 1024; ++i) {
        backslashes.push_back(0x5C);
        backslashes.push_back(0x78);
    }
    EXPECT_EQ(Parse(Format(backslashes)), backslashes);
}

TEST(CommandRoundTrip, TypedTextComesBackInItsNormalForm) {
    struct Case { const char* typed; const char* shown; };
    const Case cases[] = {
        {"\\x1B\\x70\\x00\\x19\\xff", "\\x1Bp\\x00\\x19\\xFF"},
        {"\\x1D\\x56\\x42\\x00", "\\x1DVB\\x00"},
        {"\\x1b", "\\x1B"},
        {"a b", "a\\x20b"},
        {"\\X1B", "\\X1B"},
    };
    for (const Case& c : cases) EXPECT_EQ(Format(Parse(c.typed)), c.shown) << c.typed;
}

}  // namespace
}  // namespace kyr
