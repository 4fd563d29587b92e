// Names and paths the printer and INF clean-up builds into fixed buffers. Platform-free.
//
// Names are ANSI text in the system's code page; every check walks them character by
// character with the code page's lead-byte answer (isLead), because in the double-byte
// code pages the second byte of a character can be the backslash byte.
//
// Nothing here ever shortens a name to make it fit: a name cut short can be the name of
// some other printer's key or some other file, and deleting that would be worse than
// leaving an entry behind. A builder that cannot produce the whole result answers false
// and leaves an empty buffer, and the caller skips the step.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "common/text/ansi_chars.h"

namespace kyr {

// The size of every name, value and path buffer of the removal.
constexpr size_t kNameBufferSize = 256;

// True when text is usable as one registry key name below a parent key: not empty, no
// backslash (which would reach into another key) and short enough for the registry
// (255 characters).
bool IsSingleKeyName(const char* text, LeadBytePredicate isLead);

// The printer's settings key name below SOFTWARE\KYR_POS_PRINTER: every blank becomes
// "_", everything else stays. False when the printer name is not a single key name.
bool SettingsKeyName(const char* printerName, char* out, size_t outSize,
                     LeadBytePredicate isLead);

// out := first + second, refused (false, out empty) when it does not fit.
bool JoinText(char* out, size_t outSize, const char* first, const char* second);

// True when an "InfPath" value names a file directly inside the INF folder: not empty,
// and no drive, folder or parent reference in it.
bool IsPlainFileName(const char* name, LeadBytePredicate isLead);

// The precompiled twin of an INF path: its last three characters replaced by "PNF", in
// place. False (path unchanged) when the path is shorter than four characters or the
// three characters would reach past its file name into a folder or drive part. A
// two-byte character among the last three is replaced whole, so the path gets shorter.
bool MakePnfTwin(char* path, LeadBytePredicate isLead);

// True when a printer's "Port" text holds "USB" as characters of its own, not as the
// second byte of one character followed by two more.
bool PortIsUsb(const char* port, LeadBytePredicate isLead);

// "PrinterID" values are compared by their first four bytes; the buffers they come in
// are cleared before each read, so a shorter value compares as if padded with zeros.
bool PrinterIdMatches(const uint8_t* entryId, const uint8_t* printerId);

}  // namespace kyr
