#include "plugin/apply_refusal.h"

#include "plugin/command_codec.h"

namespace kyr {

const WCHAR kPageBoxCaption[] = L"Additional Commands";

namespace {

// wsprintfW writes at most 1024 characters and a terminator.
constexpr int kBoxTextChars = 1025;

void ShowBox(HWND sheet, const WCHAR* text) {
    MessageBoxW(sheet, text, kPageBoxCaption, MB_OK | MB_ICONEXCLAMATION);
}

unsigned CodePointOf(const WCHAR* c) {
    if (c[1] == L'\0') return c[0];
    return 0x10000u + ((c[0] - 0xD800u) << 10) + (c[1] - 0xDC00u);
}

}  // namespace

void ShowEntryRefusal(HWND sheet, const CommandBox& box, const CommandEntry& entry) {
    WCHAR text[kBoxTextChars];
    switch (entry.problem) {
        case EntryProblem::kTooLong:
            wsprintfW(text,
                      L"The \"%s\" command is %lu bytes long. A command can hold at most %lu "
                      L"bytes.\n\nNo settings were saved.",
                      box.shownName, static_cast<unsigned long>(entry.length),
                      static_cast<unsigned long>(kCommandLimit));
            break;
        case EntryProblem::kMalformedEscape:
            wsprintfW(text,
                      L"The \"%s\" command has an invalid escape \"%s\" at character %lu. "
                      L"An escape is \\x followed by two hexadecimal digits, as in \\x1B."
                      L"\n\nNo settings were saved.",
                      box.shownName, entry.escape, static_cast<unsigned long>(entry.position));
            break;
        case EntryProblem::kNotConverted:
            wsprintfW(text,
                      L"The \"%s\" command could not be converted to the system's code page "
                      L"(error %ld).\n\nNo settings were saved.",
                      box.shownName, static_cast<long>(entry.status));
            break;
        default:
            wsprintfW(text,
                      L"The \"%s\" command contains the character \"%s\" (U+%04X), which the "
                      L"system's code page cannot represent. Type the bytes you want as \\xHH "
                      L"instead.\n\nNo settings were saved.",
                      box.shownName, entry.unmappable, CodePointOf(entry.unmappable));
            break;
    }
    ShowBox(sheet, text);
}

void ShowSaveFailure(HWND sheet, LONG status, bool partlySaved) {
    WCHAR reason[512];
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(status), 0, reason,
                                   sizeof reason / sizeof reason[0], nullptr);
    if (n == 0) reason[0] = L'\0';
    WCHAR text[kBoxTextChars];
    wsprintfW(text, L"The settings could not be saved (error %ld).\n\n%s%s",
              static_cast<long>(status), reason,
              partlySaved ? L"\n\nSome of the settings were saved and could not be put back "
                            L"as they were."
                          : L"");
    ShowBox(sheet, text);
}

}  // namespace kyr
