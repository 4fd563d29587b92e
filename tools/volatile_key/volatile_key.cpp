// volatile_key HKLM\path: creates a volatile registry key (gone when the registry server
// stops). The spooler cannot store a lasting sub-key below it, so a scenario can make a
// registration fail by a real condition of the platform instead of a fake one.
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc != 2 || strncmp(argv[1], "HKLM\\", 5) != 0) {
        fprintf(stderr, "usage: volatile_key HKLM\\path\n");
        return 2;
    }
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, argv[1] + 5, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, &disposition);
    if (rc != ERROR_SUCCESS) {
        printf("error|%ld\n", rc);
        return 1;
    }
    RegCloseKey(key);
    printf("%s|%s\n", disposition == REG_CREATED_NEW_KEY ? "created" : "existed", argv[1]);
    return 0;
}
