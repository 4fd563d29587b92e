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
// A character beyond U+FFFF is tried as its pair of halves.
bool HasExactAnsiForm(const WCHAR* c, int units) {
    char bytes[8];
    const int n = WideCharToMultiByte(CP_ACP, 0, c, units, bytes, sizeof bytes, nullptr, nullptr);
    if (n == 0) return false;
    WCHAR back[3];
    if (MultiByteToWideChar(CP_ACP, 0, bytes, n, back, 3) != units) return false;
    for (int i = 0; i < units; ++i) {
        if (back[i] != c[i]) return false;
    }
    return true;
}

int UnitsOfCharacter(const WCHAR* c) {
    const bool high = c[0] >= 0xD800 && c[0] <= 0xDBFF;
    return high && c[1] >= 0xDC00 && c[1] <= 0xDFFF ? 2 : 1;
}

// The malformed escape that starts at byte `offset` of the converted text, as the user
// sees it: its character number in the box and its text.
void DescribeBadEscape(const WCHAR* wide, const char* narrow, size_t offset,
                       CommandEntry* entry) {
    const int before = offset == 0 ? 0
                                   : MultiByteToWideChar(CP_ACP, 0, narrow, static_cast<int>(offset),
                                                         nullptr, 0);
    entry->position = static_cast<DWORD>(before) + 1;
    int i = 0;
    for (; i < 4 && wide[before + i] != L'\0'; ++i) entry->escape[i] = wide[before + i];
    entry->escape[i] = L'\0';
}

}  // namespace

BOOL WideToAnsiExactly(const WCHAR* text, HeapBlock* out, WCHAR unmappable[3]) {
    unmappable[0] = L'\0';
    for (const WCHAR* c = text; *c != L'\0';) {
        const int units = UnitsOfCharacter(c);
        if (!HasExactAnsiForm(c, units)) {
            unmappable[0] = c[0];
            unmappable[1] = units == 2 ? c[1] : L'\0';
            unmappable[2] = L'\0';
            return FALSE;
        }
        c += units;
    }
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return FALSE;
    char* bytes = reinterpret_cast<char*>(out->Allocate(static_cast<DWORD>(needed)));
    if (bytes == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return WideCharToMultiByte(CP_ACP, 0, text, -1, bytes, needed, nullptr, nullptr) != 0;
}

CommandEntry PrepareCommandEntry(HWND page, const CommandBox& box, DLGINFO* lpdi) {
    CommandEntry entry = {};
    entry.store = true;
    const CommandRecord record = RecordOf(box, lpdi);
    if (*record.readStatus == ERROR_MORE_DATA) {
        // Longer than the page can show: its box is read-only and the value is not ours.
        entry.store = false;
        return entry;
    }
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
    HeapBlock converted;
    if (!WideToAnsiExactly(lpdi->wideText, &converted, entry.unmappable)) {
        entry.problem = entry.unmappable[0] != L'\0' ? EntryProblem::kUnmappable
                                                     : EntryProblem::kNotConverted;
        entry.status = static_cast<LONG>(GetLastError());
        return entry;
    }
    const char* narrow = reinterpret_cast<const char*>(converted.data());
    const ParsedCommand parsed = ParseCommandText(narrow, lstrlenA(narrow), SystemLeadByte,
                                                  record.typed, kCommandLimit);
    entry.bytes = record.typed;
    switch (parsed.outcome) {
        case ParseOutcome::kTooLong:
            entry.problem = EntryProblem::kTooLong;
            entry.length = static_cast<DWORD>(parsed.length);
            break;
        case ParseOutcome::kMalformedEscape:
            entry.problem = EntryProblem::kMalformedEscape;
            DescribeBadEscape(lpdi->wideText, narrow, parsed.position, &entry);
            break;
        case ParseOutcome::kParsed:
            entry.length = static_cast<DWORD>(parsed.length);
            break;
    }
    return entry;
}

bool EntryChangesStored(const CommandBox& box, const CommandEntry& entry, DLGINFO* lpdi) {
    if (!entry.store) return false;
    const CommandRecord record = RecordOf(box, lpdi);
    if (*record.readStatus == ERROR_FILE_NOT_FOUND) return entry.length != 0;
    if (*record.readStatus != ERROR_SUCCESS) return true;
    if (entry.bytes == record.stored) return false;
    if (entry.length != *record.length) return true;
    for (DWORD i = 0; i < entry.length; ++i) {
        if (entry.bytes[i] != record.stored[i]) return true;
    }
    return false;
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
