// Paths built into the fixed buffers the sequences use. Platform-free.
#pragma once
#include <stddef.h>

#include <string>

#include "common/text/ansi_chars.h"

namespace kyr {

// The size of every folder and path buffer of the installation sequences.
constexpr size_t kPathBufferSize = 256;

// out := folder + "\" + name. A result that does not fit (with its terminator) leaves out
// empty and answers false: the step that needed it is skipped rather than handed a path
// cut into some other, valid one.
bool JoinPath(char* out, size_t outSize, const char* folder, const char* name);

// out := the concatenation of the parts, with the same refusal when it does not fit.
bool ConcatPath(char* out, size_t outSize, const char* first, const char* second);

// Cuts a full file name back to its folder ("D:\\setup\\x.exe" -> "D:\\setup", "D:\\x.exe" ->
// "D:"), walking the text character by character so that the trail byte of a double-byte
// character is never taken for a separator. False (path unchanged) without a backslash.
bool CutToParentFolder(char* path, LeadBytePredicate isLead);

// "KYR POS 730" for n = 0, "KYR POS 730(#n)" after that: the names a printer probes
// through until one is free.
std::string NumberedPrinterName(const std::string& base, unsigned n);

}  // namespace kyr
