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

}  // namespace

void ShowEntryRefusal(HWND sheet, const CommandBox& box, const CommandEntry& entry) {
    WCHAR text[kBoxTextChars];
    if (entry.problem == EntryProblem::kTooLong) {
        wsprintfW(text,
                  L"The \"%s\" command is %lu bytes long. A command can hold at most %lu bytes."
                  L"\n\nNo settings were saved.",
                  box.shownName, static_cast<unsigned long>(entry.length),
                  static_cast<unsigned long>(kCommandLimit));
    } else {
        const WCHAR shown[2] = {entry.unmappable, L'\0'};
        wsprintfW(text,
                  L"The \"%s\" command contains the character \"%s\" (U+%04X), which the "
                  L"system's code page cannot represent. Type the bytes you want as \\xHH "
                  L"instead.\n\nNo settings were saved.",
                  box.shownName, shown, static_cast<unsigned>(entry.unmappable));
    }
    ShowBox(sheet, text);
}

void ShowSaveFailure(HWND sheet, LONG status) {
    WCHAR reason[512];
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(status), 0, reason,
                                   sizeof reason / sizeof reason[0], nullptr);
    if (n == 0) reason[0] = L'\0';
    WCHAR text[kBoxTextChars];
    wsprintfW(text, L"The settings could not be saved (error %ld).\n\n%s",
              static_cast<long>(status), reason);
    ShowBox(sheet, text);
}

}  // namespace kyr
