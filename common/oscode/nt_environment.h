// The NT spooler environment a build serves: a 64-bit program talks to the 64-bit spooler,
// whose driver, monitor and print processor are those of "Windows x64".
#pragma once

#if defined(_WIN64)
#define KYR_NT_ENVIRONMENT "Windows x64"
#else
#define KYR_NT_ENVIRONMENT "Windows NT x86"
#endif
