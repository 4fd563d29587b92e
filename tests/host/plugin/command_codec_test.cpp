#include "plugin/command_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kyr {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes Parse(const std::string& text, std::size_t capacity = kCommandCapacity) {
    Bytes out(capacity + 1, 0xEE);
    const std::size_t n = ParseCommandText(text.data(), text.size(), out.data(), capacity);
    EXPECT_EQ(out[capacity], 0xEE) << "wrote past the capacity";
    out.resize(n);
    return out;
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
    for (const char* text : {"\\x1G", "ABC\\x1G", "\\x1Gxyz\\x41", "\\x", "AB\\x", "\\x4",
                             "\\x41\\x4", "\\xg1", "\\x 1"}) {
        EXPECT_TRUE(Parse(text).empty()) << text;
    }
}

TEST(ParseCommandText, StopsAtTheGivenLength) {
    const char text[] = "\\x41\\x42";
    unsigned char out[8];
    EXPECT_EQ(ParseCommandText(text, 4, out, sizeof out), 1u);
    EXPECT_EQ(out[0], 0x41);
    EXPECT_EQ(ParseCommandText(text, 6, out, sizeof out), 0u);  // "\x41\x" is cut mid-escape
}

TEST(ParseCommandText, ACommandLargerThanTheBufferIsNotKeptInPart) {
    EXPECT_EQ(Parse(std::string(kCommandCapacity, 'A')).size(), kCommandCapacity);
    EXPECT_TRUE(Parse(std::string(kCommandCapacity + 1, 'A')).empty());
    std::string escapes;
    for (std::size_t i = 0; i < kCommandCapacity; ++i) escapes += "\\x00";
    EXPECT_EQ(Parse(escapes).size(), kCommandCapacity);
    EXPECT_TRUE(Parse(escapes + "A").empty());
    EXPECT_TRUE(Parse("ABC", 2).empty());
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
