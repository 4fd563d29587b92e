#include "tools/faultinject/fault_state.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "tools/faultinject/call_site.h"
#include "tools/faultinject/call_table.h"

namespace faults {

namespace {

Config g_config;
CRITICAL_SECTION g_lock;
HANDLE g_log = INVALID_HANDLE_VALUE;
LONG g_ordinals[kCallCount];
LONG g_familyOrdinals[kFamilyCount];

void WriteLine(const char* text, size_t length) {
    if (g_log == INVALID_HANDLE_VALUE) return;
    SetFilePointer(g_log, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(g_log, text, static_cast<DWORD>(length), &written, nullptr);
}

bool Watched(const char* module) {
    if (g_config.onlyCount == 0) return true;
    for (int i = 0; i < g_config.onlyCount; ++i) {
        if (lstrcmpiA(g_config.only[i], module) == 0) return true;
    }
    return false;
}

bool Matches(const Rule& rule, const CallRecord& call, unsigned families) {
    switch (rule.target) {
        case Target::Call:
            return rule.index == call.call;
        case Target::Family:
            return (families & (1u << rule.index)) != 0;
        case Target::Site:
            return rule.offset == call.offset && lstrcmpiA(rule.module, call.module) == 0;
    }
    return false;
}

void Decide(CallRecord* call, unsigned families) {
    EnterCriticalSection(&g_lock);
    call->ordinal = ++g_ordinals[call->call];
    // A family rule counts in the order calls begin, which nested calls (a module's start-up
    // inside LoadLibrary) make differ from the log's order; the log gives the count itself.
    call->families = families;
    for (int f = 0; f < kFamilyCount; ++f) {
        if (families & (1u << f)) call->familyOrdinals[f] = ++g_familyOrdinals[f];
    }
    for (int i = 0; i < g_config.ruleCount; ++i) {
        Rule& rule = g_config.rules[i];
        if (!Matches(rule, *call, families)) continue;
        ++rule.seen;
        const bool fires = rule.onward ? rule.seen >= rule.n : rule.seen == rule.n;
        if (!fires || call->inject || kCalls[call->call].fails == Fails::Never) continue;
        call->inject = true;
        if (rule.hasCode) {
            call->code = rule.code;
        } else if (rule.target == Target::Family) {
            call->code = kFamilies[rule.index].defaultCode;
        } else {
            call->code = DefaultCode(call->call);
        }
    }
    LeaveCriticalSection(&g_lock);
}

void Append(CallRecord* call, const char* text, size_t length) {
    const size_t room = sizeof(call->detail) - 1 - call->detailLength;
    if (length > room) length = room;
    std::memcpy(call->detail + call->detailLength, text, length);
    call->detailLength += length;
    call->detail[call->detailLength] = '\0';
}

// A text argument, quoted, with control characters shown as '?' so that a line stays a line.
void AppendQuoted(CallRecord* call, const char* text) {
    char quoted[164];
    size_t n = 0;
    if (call->detailLength != 0) quoted[n++] = ' ';
    quoted[n++] = '"';
    for (size_t i = 0; text[i] != '\0' && i < 160 - 2; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        quoted[n++] = (c < 0x20 || c == '"') ? '?' : static_cast<char>(c);
    }
    quoted[n++] = '"';
    Append(call, quoted, n);
}

}  // namespace

bool StartFaults(const char* configPath, ConfigError* error) {
    if (!ReadConfig(configPath, &g_config, error)) return false;
    InitializeCriticalSection(&g_lock);
    if (g_config.logPath[0] != '\0') {
        g_log = CreateFileA(g_config.logPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (g_log == INVALID_HANDLE_VALUE) {
            std::snprintf(error->why, sizeof(error->why), "cannot write the log %s (error %lu)",
                          g_config.logPath, GetLastError());
            return false;
        }
    }
    return true;
}

bool SkipSleeps() { return g_config.noSleep; }
const Config& CurrentConfig() { return g_config; }

void BeginCall(CallRecord* call, int id, const void* returnAddress, unsigned families) {
    call->entryError = GetLastError();
    call->call = id;
    call->inject = false;
    call->code = 0;
    call->ordinal = 0;
    call->families = 0;
    call->detail[0] = '\0';
    call->detailLength = 0;
    NameSite(returnAddress, call->module, sizeof(call->module), &call->offset);
    call->watched = Watched(call->module);
    if (call->watched) Decide(call, families);
}

void Describe(CallRecord* call, const char* text) {
    if (text != nullptr) AppendQuoted(call, text);
}

void Describe(CallRecord* call, const wchar_t* text) {
    if (text == nullptr) return;
    char narrow[480];
    wchar_t bounded[160];
    lstrcpynW(bounded, text, 160);
    if (WideCharToMultiByte(CP_UTF8, 0, bounded, -1, narrow, sizeof(narrow), nullptr, nullptr) == 0)
        narrow[0] = '\0';
    AppendQuoted(call, narrow);
}

void DescribeNumber(CallRecord* call, DWORD number, const char* unit) {
    char text[48];
    const int n = std::snprintf(text, sizeof(text), "%s%lu%s", call->detailLength ? " " : "", number, unit);
    Append(call, text, static_cast<size_t>(n));
}

// "file-write:7,module:2": each family the call counted in, with its number there.
void FormatFamilies(const CallRecord& call, char* text, size_t size) {
    size_t n = 0;
    text[0] = '\0';
    for (int f = 0; f < kFamilyCount && n + 1 < size; ++f) {
        if (!(call.families & (1u << f))) continue;
        const int wrote = std::snprintf(text + n, size - n, "%s%s:%ld", n ? "," : "", kFamilies[f].name,
                                        call.familyOrdinals[f]);
        if (wrote < 0) break;
        n += static_cast<size_t>(wrote);
    }
    if (n == 0) std::snprintf(text, size, "-");
}

void FinishCall(CallRecord* call, const char* result, DWORD lastError) {
    if (call->watched && g_log != INVALID_HANDLE_VALUE) {
        char families[96];
        FormatFamilies(*call, families, sizeof(families));
        char line[720];
        int n;
        if (call->module[0] != '\0') {
            n = std::snprintf(line, sizeof(line), "%s\t%s+0x%lx\t%ld\t%s\t%s\t%s\r\n", kCalls[call->call].name,
                              call->module, call->offset, call->ordinal, families, result, call->detail);
        } else {
            n = std::snprintf(line, sizeof(line), "%s\t0x%08lx\t%ld\t%s\t%s\t%s\r\n", kCalls[call->call].name,
                              call->offset, call->ordinal, families, result, call->detail);
        }
        if (n > 0) {
            EnterCriticalSection(&g_lock);
            WriteLine(line, n < static_cast<int>(sizeof(line)) ? static_cast<size_t>(n) : sizeof(line) - 1);
            LeaveCriticalSection(&g_lock);
        }
    }
    SetLastError(lastError);
}

void FinishReal(CallRecord* call, bool succeeded, DWORD failureCode, DWORD lastError) {
    char result[32] = "ok";
    if (!succeeded) std::snprintf(result, sizeof(result), "fail %lu", failureCode);
    FinishCall(call, result, lastError);
}

void FinishInjected(CallRecord* call) {
    char result[32];
    std::snprintf(result, sizeof(result), "injected %lu", call->code);
    const bool returnsCode = kCalls[call->call].fails == Fails::Status;
    FinishCall(call, result, returnsCode ? call->entryError : call->code);
}

void LogNote(const char* format, ...) {
    char line[600];
    line[0] = '#';
    line[1] = ' ';
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line + 2, sizeof(line) - 4, format, args);
    va_end(args);
    if (n < 0) return;
    n += 2;
    if (n > static_cast<int>(sizeof(line)) - 3) n = sizeof(line) - 3;
    line[n++] = '\r';
    line[n++] = '\n';
    EnterCriticalSection(&g_lock);
    WriteLine(line, static_cast<size_t>(n));
    LeaveCriticalSection(&g_lock);
}

}  // namespace faults
