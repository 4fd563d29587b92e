// The platform calls the fault module wraps: those the shipped programs, their removal
// modules and the plug-in import or bind by name, and a few more of the same kind.
//
//   X(name, family, what it returns on failure, outputs to clear on failure, strings)
//
// Outputs are a mask of argument positions (bit 0 = first argument) that the system empties
// when the call fails (an out-handle, a byte count). Strings says which text arguments the log
// may read before the call: Any (every char* is an input, as in the spooler's ANSI forms) or
// ConstOnly (a char* there is an output buffer, not yet written).
#pragma once

#define KYR_WRAPPED_CALLS(X)                                                \
    X(EnumPrinterDriversA, Spooler, Bool, 0, Any)                           \
    X(EnumPrintersA, Spooler, Bool, 0, Any)                                 \
    X(AddMonitorA, Spooler, Bool, 0, Any)                                   \
    X(AddPrintProcessorA, Spooler, Bool, 0, Any)                            \
    X(AddPrinterDriverA, Spooler, Bool, 0, Any)                             \
    X(AddPrinterA, Spooler, Null, 0, Any)                                   \
    X(OpenPrinterA, Spooler, Bool, 0x2, Any)                                \
    X(OpenPrinterW, Spooler, Bool, 0x2, Any)                                \
    X(ClosePrinter, Spooler, Bool, 0, Any)                                  \
    X(DeletePrinter, Spooler, Bool, 0, Any)                                 \
    X(DeletePrinterDriverA, Spooler, Bool, 0, Any)                          \
    X(DeletePrinterDriverExA, Spooler, Bool, 0, Any)                        \
    X(DeleteMonitorA, Spooler, Bool, 0, Any)                                \
    X(DeletePrintProcessorA, Spooler, Bool, 0, Any)                         \
    X(DeleteFormA, Spooler, Bool, 0, Any)                                   \
    X(EnumFormsA, Spooler, Bool, 0, Any)                                    \
    X(EnumMonitorsA, Spooler, Bool, 0, Any)                                 \
    X(EnumPrintProcessorsA, Spooler, Bool, 0, Any)                          \
    X(GetPrinterDriverDirectoryA, Spooler, Bool, 0, Any)                    \
    X(GetPrintProcessorDirectoryA, Spooler, Bool, 0, Any)                   \
    X(SetPrinterA, Spooler, Bool, 0, Any)                                   \
    X(SetPrinterW, Spooler, Bool, 0, Any)                                   \
    X(GetPrinterA, Spooler, Bool, 0, Any)                                   \
    X(GetPrinterW, Spooler, Bool, 0, Any)                                   \
    X(RegCreateKeyA, Registry, Status, 0x4, Any)                            \
    X(RegCreateKeyW, Registry, Status, 0x4, Any)                            \
    X(RegCreateKeyExA, Registry, Status, 0x80, Any)                         \
    X(RegSetValueExA, Registry, Status, 0, Any)                             \
    X(RegSetValueExW, Registry, Status, 0, Any)                             \
    X(RegDeleteKeyA, Registry, Status, 0, Any)                              \
    X(RegDeleteValueA, Registry, Status, 0, Any)                            \
    X(RegDeleteValueW, Registry, Status, 0, Any)                            \
    X(SHDeleteKeyA, Registry, Status, 0, Any)                               \
    X(RegOpenKeyExA, RegistryOpen, Status, 0x10, Any)                       \
    X(RegOpenKeyExW, RegistryOpen, Status, 0x10, Any)                       \
    X(RegConnectRegistryA, RegistryOpen, Status, 0x4, Any)                  \
    X(RegQueryValueExA, RegistryRead, Status, 0, Any)                       \
    X(RegQueryValueExW, RegistryRead, Status, 0, Any)                       \
    X(RegEnumKeyExA, RegistryRead, Status, 0, ConstOnly)                    \
    X(CopyFileA, FileWrite, Bool, 0, Any)                                   \
    X(WriteFile, FileWrite, Bool, 0x8, Any)                                 \
    X(MoveFileA, FileWrite, Bool, 0, Any)                                   \
    X(MoveFileExA, FileWrite, Bool, 0, Any)                                 \
    X(CreateDirectoryA, FileWrite, Bool, 0, Any)                            \
    X(CreateFileA, FileWrite, InvalidHandle, 0, Any)                        \
    X(DeleteFileA, FileDelete, Bool, 0, Any)                                \
    X(RemoveDirectoryA, FileDelete, Bool, 0, Any)                           \
    X(GetFileAttributesA, FileQuery, AllBits, 0, Any)                       \
    X(FindFirstFileA, FileQuery, InvalidHandle, 0, Any)                     \
    X(FindNextFileA, FileQuery, Bool, 0, Any)                               \
    X(ReadFile, FileQuery, Bool, 0x8, Any)                                  \
    X(GetFileSize, FileQuery, AllBits, 0, Any)                              \
    X(GetFileTime, FileQuery, Bool, 0, Any)                                 \
    X(GetFileInformationByHandle, FileQuery, Bool, 0, Any)                  \
    X(GetFileVersionInfoSizeA, FileQuery, Null, 0, Any)                     \
    X(GetFileVersionInfoA, FileQuery, Bool, 0, Any)                         \
    X(VerQueryValueA, FileQuery, Bool, 0, Any)                              \
    X(SetFileAttributesA, Attributes, Bool, 0, Any)                         \
    X(SetupCopyOEMInfA, Setup, Bool, 0x80, ConstOnly)                       \
    X(SetupDiGetClassDevsA, Setup, InvalidHandle, 0, Any)                   \
    X(SetupDiEnumDeviceInfo, Setup, Bool, 0, Any)                           \
    X(SetupDiGetDeviceRegistryPropertyA, Setup, Bool, 0, Any)               \
    X(SetupDiRemoveDevice, Setup, Bool, 0, Any)                             \
    X(SetupDiDestroyDeviceInfoList, Setup, Bool, 0, Any)                    \
    X(SetupUninstallOEMInfA, Setup, Bool, 0, Any)                           \
    X(GetSecurityInfo, Security, Status, 0xF8, Any)                         \
    X(SetSecurityInfo, Security, Status, 0, Any)                            \
    X(SetEntriesInAclA, Security, Status, 0x8, Any)                         \
    X(OpenProcessToken, Security, Bool, 0x4, Any)                           \
    X(LookupPrivilegeValueA, Security, Bool, 0, Any)                        \
    X(AdjustTokenPrivileges, Security, Bool, 0, Any)                        \
    X(CreateMutexA, Resource, Null, 0, Any)                                 \
    X(CreateEventA, Resource, Null, 0, Any)                                 \
    X(OpenEventA, Resource, Null, 0, Any)                                   \
    X(GlobalAlloc, Resource, Null, 0, Any)                                  \
    X(LocalAlloc, Resource, Null, 0, Any)                                   \
    X(HeapAlloc, Resource, Null, 0, Any)                                    \
    X(GetSystemDirectoryA, SystemQuery, Null, 0, ConstOnly)                 \
    X(GetWindowsDirectoryA, SystemQuery, Null, 0, ConstOnly)                \
    X(GetModuleFileNameA, SystemQuery, Null, 0, ConstOnly)                  \
    X(GetVersionExA, SystemQuery, Bool, 0, Any)                             \
    X(FormatMessageA, SystemQuery, Null, 0, ConstOnly)                      \
    X(FormatMessageW, SystemQuery, Null, 0, ConstOnly)                      \
    X(WinExec, Program, SmallCode, 0, Any)                                  \
    X(CreateProcessA, Program, Bool, 0, Any)                                \
    X(WaitForSingleObject, Program, AllBits, 0, Any)                        \
    X(ExitWindowsEx, Program, Bool, 0, Any)                                 \
    X(FreeLibrary, None, Bool, 0, Any)

// Written by hand (loader_wrappers.cpp): they patch modules, hand out wrappers or skip waits.
#define KYR_LOADER_CALLS(X)                                                 \
    X(LoadLibraryA, Module, Null, 0, Any)                                   \
    X(LoadLibraryExA, Module, Null, 0, Any)                                 \
    X(LoadLibraryW, Module, Null, 0, Any)                                   \
    X(GetProcAddress, Binding, Null, 0, Any)                                \
    X(Sleep, None, Never, 0, Any)
