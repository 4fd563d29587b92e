// The state of one "Additional Commands" page: which printer's key it loads and saves, and
// the buffers its registry reads, texts and number conversions go through. One record per
// page set, so that sheets of two printers open at once never share a printer name.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "plugin/command_codec.h"
#include "plugin/settings_layout.h"

namespace kyr {

constexpr int kPrinterNameChars = 512;
constexpr int kKeyPathChars = 520;
// A command edit box holds the display form of any storable command.
constexpr int kCommandEditLimit = static_cast<int>(kCommandTextChars);
// The display form of a stored command is plain ASCII, one byte per character. A typed
// command goes through a buffer of the size its conversion asks for instead: a code page may
// take more than two bytes per character (UTF-8 takes three).
constexpr int kNarrowTextBytes = 2 * kCommandEditLimit + 1;

struct DLGINFO {
    HKEY key;               // open only within one load or one save
    LONG registryStatus;    // of the last open or "MISC" read
    LONG startReadStatus;
    LONG endReadStatus;
    BYTE settings[2048];    // the first bytes are MiscSettings
    BYTE startCommand[kCommandCapacity];    // as loaded, or as the last apply stored it
    BYTE endCommand[kCommandCapacity];
    DWORD miscReadSize;
    DWORD startReadSize;
    DWORD endReadSize;
    WCHAR wideText[kCommandTextChars + 1];   // text going into or coming from an edit box
    char narrowText[kNarrowTextBytes];       // the same in the ANSI code page
    // Whether a command box was edited since the page loaded it or last stored it: a box
    // left alone keeps its stored value as it is.
    BOOL startTouched;
    BOOL endTouched;
    // "MISC" as the page read it back once loaded, or as the last apply stored it: what an
    // apply of the unchanged page stores.
    MiscSettings storedMisc;
    // "MISC" could not be read when the page loaded, for a reason other than its absence or
    // its length: the page shows the defaults, and an apply leaves the stored value as it is
    // unless the user changes a number or a drawer.
    BOOL miscUnread;
    BYTE typedStart[kCommandLimit];          // the boxes' texts parsed at apply time
    BYTE typedEnd[kCommandLimit];
    WCHAR MyPrinterName[kPrinterNameChars];
    // The host's handle of the printer the sheet is for (not ours to close); null when the
    // host gave none.
    HANDLE printer;
    WCHAR keyPath[kKeyPathChars];
    BOOL keyPathValid;      // without a path the page neither loads nor saves
    WCHAR numberText[10];
    BYTE scrollValue;
    int iCtrlID;
    int iEDIT_CtrlID;
};

// Zero-filled; owned by the page it is handed to, which frees it with FreePageState.
DLGINFO* CreatePageState();
void FreePageState(DLGINFO* lpdi);

}  // namespace kyr
