// tarvik-shot: runs the gadget's real application object on the headless
// screen for a while, answers every message box with OK, and reports what
// the panels say and what the picture looks like. The gadget itself takes no
// command line; this tool is for tests, screenshots and looking at fixture
// machines.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <hwlib/Environment.h>
#include <mfc/WinApp.h>
#include <optional>
#include <res/Resource.h>
#include <screen/HeadlessScreen.h>
#include <string>
#include <thread>
#include <win32/Kernel.h>
#include <win32/PdhSources.h>
#include <win32/Screen.h>
#include <win32/User.h>
#include <win32/Utf8.h>

namespace {

struct Options {
    double seconds = 3;
    std::string picture;
    std::string desktop;
    std::string root;
};

void Usage() {
    std::fprintf(stderr, "usage: tarvik-shot [--seconds S] [--picture FILE] [--desktop FILE] "
                         "[--root DIR]\n");
}

std::optional<Options> Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return std::nullopt;
        const char* value = argv[++i];
        if (arg == "--seconds") {
            char* end = nullptr;
            o.seconds = std::strtod(value, &end);
            if (!end || *end || !(o.seconds >= 0) || o.seconds > 3600)
                return std::nullopt;
        } else if (arg == "--picture") {
            o.picture = value;
        } else if (arg == "--desktop") {
            o.desktop = value;
        } else if (arg == "--root") {
            o.root = value;
        } else {
            return std::nullopt;
        }
    }
    return o;
}

// JSON string of a wide text, as UTF-8.
std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (wchar_t wc : text) {
        const auto c = static_cast<std::uint32_t>(wc);
        switch (c) {
        case '"':
            out += "\\\"";
            continue;
        case '\\':
            out += "\\\\";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\r':
            out += "\\r";
            continue;
        case '\t':
            out += "\\t";
            continue;
        default:
            break;
        }
        if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            win32::AppendUtf8(out, c);
        }
    }
    return out + "\"";
}

struct Panel {
    int id;
    const char* name;
};
constexpr Panel kPanels[] = {
    {IDC_CPU, "IDC_CPU"},
    {IDC_GPU, "IDC_GPU"},
    {IDC_HDD, "IDC_HDD"},
    {IDC_SMART, "IDC_SMART"},
    {IDC_MAINBOARD, "IDC_MAINBOARD"},
    {IDC_MEM, "IDC_MEM"},
    {IDC_CPU_TEMP, "IDC_CPU_TEMP"},
    {IDC_FAN, "IDC_FAN"},
    {IDC_MB_TEMP, "IDC_MB_TEMP"},
    {IDC_UNKNOWN, "IDC_UNKNOWN"},
    {IDC_PAGES_SEC, "IDC_PAGES_SEC"},
    {IDC_DISK_QUEUE, "IDC_DISK_QUEUE"},
};

HWND FindMainDialog() {
    for (HWND hwnd : win32::TopLevelWindowsBottomUp())
        if (GetDlgItem(hwnd, IDC_CPU))
            return hwnd;
    return nullptr;
}

HWND FindDisplayWindow(HWND dialog) {
    for (HWND hwnd : win32::TopLevelWindowsBottomUp())
        if (GetWindow(hwnd, GW_OWNER) == dialog &&
            (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
            return hwnd;
    return nullptr;
}

std::wstring TextOf(HWND dialog, int id) {
    wchar_t buffer[8192]{};
    GetDlgItemTextW(dialog, id, buffer, 8192);
    return buffer;
}

void PointLibrariesAt(const std::string& root) {
    OpenHardwareMonitor::Hardware::SetRootDirectory(root);
    PdhSetRootDirectory(root.c_str());
    // Loaded here and kept: the collector's own load then finds the same
    // library, already pointed at the root.
    if (HMODULE vendor = LoadLibraryA("ComputerZ_HardwareDll.dll")) {
        using SetRoot = int (*)(const char*);
        if (auto set = reinterpret_cast<SetRoot>(GetProcAddress(vendor, "SetRootDirectory")))
            set(root.c_str());
    }
}

// Answers the boxes as they come, records them, and at the end reports the
// panels and closes the dialog with Escape.
void Control(screen::HeadlessScreen& screen, const Options& options) {
    using clock = std::chrono::steady_clock;
    const auto end =
        clock::now() + std::chrono::milliseconds(static_cast<long long>(options.seconds * 1000));
    std::size_t answered = 0;
    auto answerNew = [&] {
        if (!screen.WaitForMessageBoxes(answered + 1, 20))
            return false;
        const auto box = screen.MessageBoxes()[answered++];
        std::printf("{\"messagebox\": {\"caption\": %s, \"text\": %s, \"type\": %u}}\n",
                    Json(box.caption).c_str(), Json(box.text).c_str(), box.type);
        std::fflush(stdout);
        screen.AnswerMessageBox(box.box);
        return true;
    };
    while (clock::now() < end)
        answerNew();

    HWND dialog = FindMainDialog();
    if (!dialog)
        return;
    if (!options.picture.empty())
        if (HWND display = FindDisplayWindow(dialog);
            !display || !screen.SaveWindow(display, options.picture))
            std::fprintf(stderr, "tarvik-shot: no picture to save in %s\n",
                         options.picture.c_str());
    if (!options.desktop.empty() && !screen.SaveDesktop(options.desktop))
        std::fprintf(stderr, "tarvik-shot: cannot write %s\n", options.desktop.c_str());
    for (const Panel& panel : kPanels)
        std::printf("{\"panel\": %d, \"name\": \"%s\", \"text\": %s}\n", panel.id, panel.name,
                    Json(TextOf(dialog, panel.id)).c_str());
    std::fflush(stdout);

    SetForegroundWindow(dialog);
    win32::InjectKey(VK_ESCAPE, true);
    win32::InjectKey(VK_ESCAPE, false);
    // Whatever comes up during the teardown is answered too.
    const auto bound = clock::now() + std::chrono::seconds(30);
    while (IsWindow(dialog) && clock::now() < bound)
        answerNew();
    if (IsWindow(dialog))
        PostMessageW(dialog, WM_CLOSE, 0, 0);
}

} // namespace

int main(int argc, char** argv) {
    const auto options = Parse(argc, argv);
    if (!options) {
        Usage();
        return 2;
    }
    screen::HeadlessScreen screen(1024, 768);
    if (!options->root.empty())
        PointLibrariesAt(options->root);
    std::thread controller(Control, std::ref(screen), std::cref(*options));
    AfxWinMain();
    controller.join();
    return 0;
}
