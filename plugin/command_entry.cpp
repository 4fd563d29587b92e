#include "plugin/command_entry.h"

#include "common/text/system_lead_byte.h"
#include "plugin/command_codec.h"
#include "plugin/res/resource.h"

namespace kyr {

const CommandBox kStartCommandBox = {IDC_START_COMMAND, L"StartDoc", L"BeginDoc"};
const CommandBox kEndCommandBox = {IDC_END_COMMAND, L"EndDoc", L"EndDoc1"};

namespace {

// The record's fields that belong to one command box.
struct CommandRecord {
    LONG* readStatus;
    BYTE* stored;   // the value as loaded, or as the last apply stored it
    DWORD* length;
    BOOL* touched;
    BYTE* typed;
};

CommandRecord RecordOf(const CommandBox& box, DLGINFO* lpdi) {
    if (box.editId == IDC_START_COMMAND) {
        return {&lpdi->startReadStatus, lpdi->startCommand, &lpdi->startReadSize,
                &lpdi->startTouched, lpdi->typedStart};
    }
    return {&lpdi->endReadStatus, lpdi->endCommand, &lpdi->endReadSize, &lpdi->endTouched,
            lpdi->typedEnd};
}

// A character has an exact form when it converts and converts back to itself; the
// system's best-fit mapping ("Ā" to "A") and its default character ("?") both fail this.
bool HasExactAnsiForm(WCHAR c) {
    char bytes[8];
    const int n = WideCharToMultiByte(CP_ACP, 0, &c, 1, bytes, sizeof bytes, nullptr, nullptr);
    if (n == 0) return false;
    WCHAR back[2];
    return MultiByteToWideChar(CP_ACP, 0, bytes, n, back, 2) == 1 && back[0] == c;
}

}  // namespace

BOOL WideToAnsiExactly(const WCHAR* text, char* out, int outBytes, WCHAR* unmappable) {
    for (const WCHAR* c = text; *c != L'\0'; ++c) {
        if (!HasExactAnsiForm(*c)) {
            *unmappable = *c;
            out[0] = '\0';
            return FALSE;
        }
    }
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, out, outBytes, nullptr, nullptr) == 0) {
        out[0] = '\0';
    }
    return TRUE;
}

CommandEntry PrepareCommandEntry(HWND page, const CommandBox& box, DLGINFO* lpdi) {
    CommandEntry entry = {EntryProblem::kNone, true, nullptr, 0, L'\0'};
    const CommandRecord record = RecordOf(box, lpdi);
    if (!*record.touched) {
        if (*record.readStatus == ERROR_SUCCESS) {
            entry.bytes = record.stored;
            entry.length = *record.length;
        } else {
            // An absent value is stored empty, as every apply writes all three values; one
            // that is there but unreadable (longer than a command, say) is not ours to wipe.
            entry.store = *record.readStatus == ERROR_FILE_NOT_FOUND;
            entry.bytes = record.typed;
        }
        return entry;
    }
    lpdi->wideText[0] = L'\0';
    GetDlgItemTextW(page, box.editId, lpdi->wideText,
                    sizeof lpdi->wideText / sizeof lpdi->wideText[0]);
    if (!WideToAnsiExactly(lpdi->wideText, lpdi->narrowText, sizeof lpdi->narrowText,
                           &entry.unmappable)) {
        entry.problem = EntryProblem::kUnmappable;
        return entry;
    }
    const ParsedCommand parsed = ParseCommandText(lpdi->narrowText, lstrlenA(lpdi->narrowText),
                                                  SystemLeadByte, record.typed, kCommandLimit);
    entry.bytes = record.typed;
    switch (parsed.outcome) {
        case ParseOutcome::kTooLong:
            entry.problem = EntryProblem::kTooLong;
            entry.length = static_cast<DWORD>(parsed.length);
            break;
        case ParseOutcome::kMalformedEscape:  // empties the command, as it always has
            entry.length = 0;
            break;
        case ParseOutcome::kParsed:
            entry.length = static_cast<DWORD>(parsed.length);
            break;
    }
    return entry;
}

void RememberStoredCommand(const CommandBox& box, const CommandEntry& entry, DLGINFO* lpdi) {
    if (!entry.store) return;
    const CommandRecord record = RecordOf(box, lpdi);
    if (entry.bytes != record.stored) CopyMemory(record.stored, entry.bytes, entry.length);
    *record.length = entry.length;
    *record.readStatus = ERROR_SUCCESS;
    *record.touched = FALSE;
}

void MarkCommandTouched(int editId, BOOL touched, DLGINFO* lpdi) {
    if (editId == kStartCommandBox.editId) lpdi->startTouched = touched;
    if (editId == kEndCommandBox.editId) lpdi->endTouched = touched;
}

}  // namespace kyr
