// Stands in for a running main program: signals the event named on its
// command line once it runs, then sleeps until it is stopped (or a minute
// has passed, so that a failed test leaves nothing behind for long).
#include <windows.h>

int main(int argc, char** argv) {
    if (argc > 1) {
        HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
        if (ready != nullptr) {
            SetEvent(ready);
            CloseHandle(ready);
        }
    }
    Sleep(60000);
    return 7;
}
