// The gadget on the real desktop: the X11 screen of $DISPLAY, then the
// application object. It takes no command line.

#include <cstdio>
#include <mfc/WinApp.h>
#include <screen/X11Screen.h>
#include <string>

int main() {
    std::string error;
    auto screen = screen::X11Screen::Open(nullptr, &error);
    if (!screen) {
        std::fprintf(stderr, "Tarvik: %s\n", error.c_str());
        return 1;
    }
    return AfxWinMain();
}
