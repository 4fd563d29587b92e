// What an apply stores for one command box, decided before anything is written: the whole
// apply is refused when either box holds a command that cannot be stored as typed.
#pragma once

#include <windows.h>

#include "plugin/heap_block.h"
#include "plugin/page_state.h"

namespace kyr {

enum class EntryProblem {
    kNone,
    kTooLong,      // parses to more bytes than a command may hold
    kUnmappable,   // holds a character the ANSI code page has no exact byte form for
    kMalformedEscape,  // "\x" not followed by two hexadecimal digits
    kNotConverted,     // the conversion to the ANSI code page itself failed
};

struct CommandBox {
    int editId;
    const WCHAR* valueName;  // under the settings key
    const WCHAR* shownName;  // the box's name as the user sees it on the page
};

extern const CommandBox kStartCommandBox;
extern const CommandBox kEndCommandBox;

struct CommandEntry {
    EntryProblem problem;
    bool store;          // false: the value stays as it is
    const BYTE* bytes;   // what to store
    DWORD length;        // bytes to store, or for kTooLong the bytes the text stands for
    WCHAR unmappable[3]; // for kUnmappable, the first such character (two halves beyond U+FFFF)
    DWORD position;      // for kMalformedEscape, the character where it starts, from 1
    WCHAR escape[5];     // for kMalformedEscape, its text as typed
    LONG status;         // for kNotConverted, the system's error
};

// Reads the box and decides. A box the user left alone stores the loaded bytes again (a
// value of 2048 bytes written by another program included); one whose value could not be
// read, for a reason other than its absence, is left alone, and so is one whose value is
// too long for the page to edit, edited or not.
CommandEntry PrepareCommandEntry(HWND page, const CommandBox& box, DLGINFO* lpdi);

// Whether storing the entry would change what the printing side gets: an absent value
// counts as the empty command it stands for.
bool EntryChangesStored(const CommandBox& box, const CommandEntry& entry, DLGINFO* lpdi);

// After the apply stored the entry: the box's present text now stands for the stored bytes.
void RememberStoredCommand(const CommandBox& box, const CommandEntry& entry, DLGINFO* lpdi);

// An edit in the box (or, with FALSE, the page having just filled it). Other ids are ignored.
void MarkCommandTouched(int editId, BOOL touched, DLGINFO* lpdi);

// Converts to the ANSI code page, exactly or not at all, into a block of the size the
// conversion asks for (a code page may take more than two bytes per character): FALSE, with
// the first character that has no exact form (a best-fit look-alike is no exact form) as a
// string of one or, beyond U+FFFF, two units, when one is in the text; FALSE with an empty
// string when the conversion itself fails.
BOOL WideToAnsiExactly(const WCHAR* text, HeapBlock* out, WCHAR unmappable[3]);

}  // namespace kyr
