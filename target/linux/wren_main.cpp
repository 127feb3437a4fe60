// The process entry on Linux: what the platform's start-up code does before
// it hands over to the program's WinMain, and what the end of the process
// frees after it returns. The command line is not passed on; the program
// ignores it.
#include "ce_waveout.h"
#include "ce_window.h"

int WinMain(ce::HINSTANCE instance, ce::HINSTANCE previous, char16_t* commandLine,
            int showCommand);

int main() {
    static char16_t noCommandLine[] = u"";
    int code = WinMain(ce::moduleInstance(), nullptr, noCommandLine, ce::SW_SHOW);
    ce::closeAudioDevice();
    return code;
}
