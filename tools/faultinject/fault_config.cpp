#include "tools/faultinject/fault_config.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/faultinject/call_table.h"

namespace faults {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The next word of the line, at most size-1 characters; the rest of the line after it.
const char* Word(const char* p, const char* end, char* word, size_t size) {
    while (p < end && IsBlank(*p)) ++p;
    size_t n = 0;
    while (p < end && !IsBlank(*p)) {
        if (n + 1 < size) word[n++] = *p;
        ++p;
    }
    word[n] = '\0';
    return p;
}

bool Fail(ConfigError* error, int line, const char* why, const char* what) {
    error->line = line;
    std::snprintf(error->why, sizeof(error->why), "%s: %s", why, what);
    return false;
}

bool ParseNumber(const char* word, DWORD* value) {
    if (*word == '\0') return false;
    char* end = nullptr;
    const unsigned long n = std::strtoul(word, &end, 0);
    if (*end != '\0') return false;
    *value = n;
    return true;
}

bool ParseTarget(const char* word, Rule* rule) {
    const int call = FindCall(word);
    if (call >= 0) {
        if (kCalls[call].fails == Fails::Never) return false;
        rule->target = Target::Call;
        rule->index = call;
        return true;
    }
    const int family = FindFamily(word);
    if (family >= 0) {
        rule->target = Target::Family;
        rule->index = family;
        return true;
    }
    const char* plus = std::strrchr(word, '+');
    if (plus == nullptr || plus == word || static_cast<size_t>(plus - word) >= sizeof(rule->module)) return false;
    if (!ParseNumber(plus + 1, &rule->offset)) return false;
    std::memcpy(rule->module, word, plus - word);
    rule->module[plus - word] = '\0';
    rule->target = Target::Site;
    return true;
}

bool ParseLine(const char* p, const char* end, int line, Config* config, ConfigError* error) {
    char verb[32];
    p = Word(p, end, verb, sizeof(verb));
    if (verb[0] == '\0' || verb[0] == '#') return true;
    if (std::strcmp(verb, "log") == 0) {
        while (p < end && IsBlank(*p)) ++p;
        while (end > p && IsBlank(end[-1])) --end;
        if (p == end || static_cast<size_t>(end - p) >= sizeof(config->logPath))
            return Fail(error, line, "log needs a file name", verb);
        std::memcpy(config->logPath, p, end - p);
        config->logPath[end - p] = '\0';
        return true;
    }
    if (std::strcmp(verb, "nosleep") == 0) {
        config->noSleep = true;
        return true;
    }
    if (std::strcmp(verb, "windows-spooler") == 0) {
        config->windowsSpooler = true;
        return true;
    }
    if (std::strcmp(verb, "jobs") == 0) {
        if (config->jobsCount == 4) return Fail(error, line, "too many printers with jobs", verb);
        WaitingJobs& jobs = config->jobs[config->jobsCount];
        char count[32];
        char state[32];
        p = Word(p, end, count, sizeof(count));
        p = Word(p, end, state, sizeof(state));
        if (!ParseNumber(count, &jobs.count) || jobs.count == 0) return Fail(error, line, "not a job count", count);
        if (std::strcmp(state, "paused") != 0 && std::strcmp(state, "printing") != 0)
            return Fail(error, line, "paused or printing", state);
        jobs.paused = std::strcmp(state, "paused") == 0;
        // The printer's name is the rest of the line: names hold blanks.
        while (p < end && IsBlank(*p)) ++p;
        while (end > p && IsBlank(end[-1])) --end;
        if (p == end || static_cast<size_t>(end - p) >= sizeof(jobs.printer))
            return Fail(error, line, "jobs needs a printer name", verb);
        std::memcpy(jobs.printer, p, end - p);
        jobs.printer[end - p] = '\0';
        ++config->jobsCount;
        return true;
    }
    if (std::strcmp(verb, "only") == 0) {
        if (config->onlyCount == 8) return Fail(error, line, "too many modules", verb);
        char* module = config->only[config->onlyCount];
        Word(p, end, module, sizeof(config->only[0]));
        if (module[0] == '\0') return Fail(error, line, "only needs a module name", verb);
        ++config->onlyCount;
        return true;
    }
    const bool onward = std::strcmp(verb, "fail-from") == 0;
    if (!onward && std::strcmp(verb, "fail") != 0) return Fail(error, line, "unknown instruction", verb);
    if (config->ruleCount == 64) return Fail(error, line, "too many rules", verb);
    Rule rule = {};
    rule.onward = onward;
    char target[128];
    char count[32];
    char code[32];
    p = Word(p, end, target, sizeof(target));
    p = Word(p, end, count, sizeof(count));
    p = Word(p, end, code, sizeof(code));
    char rest[8];
    Word(p, end, rest, sizeof(rest));
    if (!ParseTarget(target, &rule))
        return Fail(error, line, "not a wrapped call, a family or module+offset", target);
    DWORD n = 0;
    if (!ParseNumber(count, &n) || n == 0 || n > 0x7FFFFFFF)
        return Fail(error, line, "the call number must be 1 or more", count);
    rule.n = static_cast<LONG>(n);
    if (code[0] != '\0') {
        if (!ParseNumber(code, &rule.code)) return Fail(error, line, "not an error code", code);
        rule.hasCode = true;
    }
    if (rest[0] != '\0' && rest[0] != '#') return Fail(error, line, "more than a code after the number", rest);
    config->rules[config->ruleCount++] = rule;
    return true;
}

}  // namespace

bool ParseConfig(const char* text, Config* config, ConfigError* error) {
    std::memset(config, 0, sizeof(*config));
    std::memset(error, 0, sizeof(*error));
    int line = 0;
    while (*text != '\0') {
        ++line;
        const char* end = std::strchr(text, '\n');
        if (end == nullptr) end = text + std::strlen(text);
        if (!ParseLine(text, end, line, config, error)) return false;
        text = *end == '\n' ? end + 1 : end;
    }
    return true;
}

bool ReadConfig(const char* path, Config* config, ConfigError* error) {
    static char text[64 * 1024];
    std::memset(error, 0, sizeof(*error));
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::snprintf(error->why, sizeof(error->why), "cannot open %s (error %lu)", path, GetLastError());
        return false;
    }
    DWORD read = 0;
    const BOOL ok = ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
    CloseHandle(file);
    if (!ok || read == sizeof(text) - 1) {
        std::snprintf(error->why, sizeof(error->why), "cannot read %s, or it is too long", path);
        return false;
    }
    text[read] = '\0';
    return ParseConfig(text, config, error);
}

}  // namespace faults
