// Takes the place of Wine's wineboot.exe in a scenario's prefix. Wine asks wineboot to end
// the session when a program requests a restart; this one only appends its command line to
// C:\restart-requests.log, so a scenario can observe the request and go on.
#include <windows.h>
#include <stdio.h>

int main() {
    FILE* log = fopen("C:\\restart-requests.log", "ab");
    if (log) {
        fprintf(log, "%s\n", GetCommandLineA());
        fclose(log);
    }
    return 0;
}
