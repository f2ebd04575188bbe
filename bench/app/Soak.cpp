// tarvik-soak: drives many panel writes through the whole path (another
// thread's SetDlgItemTextW, the panel's repaint, every composition it causes,
// the push to the display window) on the headless screen, and reports the
// GDI object count, the resident memory and the time per write.
//
//     tarvik-soak [--writes N]     (default 100000)

#include "AppHarness.h"

#include <cstring>
#include <cwctype>
#include <vector>

namespace {

using namespace bench_app;

constexpr int kPanels[] = {IDC_CPU,       IDC_GPU,     IDC_HDD,       IDC_SMART,
                           IDC_MAINBOARD, IDC_MEM,     IDC_CPU_TEMP,  IDC_FAN,
                           IDC_MB_TEMP,   IDC_UNKNOWN, IDC_PAGES_SEC, IDC_DISK_QUEUE};
constexpr std::size_t kPanelCount = sizeof kPanels / sizeof kPanels[0];

std::wstring Changed(std::wstring text) {
    for (auto& c : text)
        if (std::iswdigit(c)) {
            c = c == L'9' ? L'1' : static_cast<wchar_t>(c + 1);
            return text;
        }
    return text + L"1";
}

struct Sample {
    long writes;
    std::size_t gdi;
    long rssKb;
};

void Soak(Session& s, long writes) {
    std::vector<std::wstring> texts[kPanelCount];
    std::vector<std::uint64_t> perWrite(kPanelCount);
    for (std::size_t p = 0; p < kPanelCount; ++p) {
        const std::wstring shown = Panel(s.dialog, kPanels[p]);
        texts[p] = {Changed(shown), shown};
        const auto before = s.screen.Pushes();
        SetDlgItemTextW(s.dialog, kPanels[p], texts[p][0].c_str());
        WaitQuiet(s.screen);
        perWrite[p] = s.screen.Pushes() - before;
        SetDlgItemTextW(s.dialog, kPanels[p], texts[p][1].c_str());
        WaitQuiet(s.screen);
    }

    std::vector<Sample> samples;
    samples.push_back({0, win32::GdiObjectCount(), ResidentKb()});
    const std::uint64_t pushesBefore = s.screen.Pushes();
    const auto start = Clock::now();
    const long step = writes >= 10 ? writes / 10 : 1;
    for (long j = 0; j < writes; ++j) {
        const std::size_t p = static_cast<std::size_t>(j) % kPanelCount;
        const auto begin = s.screen.Pushes();
        const auto& text = texts[p][(static_cast<std::size_t>(j) / kPanelCount) & 1];
        SetDlgItemTextW(s.dialog, kPanels[p], text.c_str());
        for (auto seen = s.screen.Pushes(); seen < begin + perWrite[p]; seen = s.screen.Pushes())
            s.screen.WaitPast(seen);
        if ((j + 1) % step == 0)
            samples.push_back({j + 1, win32::GdiObjectCount(), ResidentKb()});
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    WaitQuiet(s.screen);
    const std::uint64_t compositions = s.screen.Pushes() - pushesBefore;

    std::printf("%12s %12s %12s\n", "writes", "gdi objects", "resident kB");
    for (const Sample& sample : samples)
        std::printf("%12ld %12zu %12ld\n", sample.writes, sample.gdi, sample.rssKb);
    const Sample& first = samples.front();
    const Sample& last = samples.back();
    std::printf("panel writes:          %ld\n", writes);
    std::printf("compositions:          %llu (%.2f per write)\n",
                static_cast<unsigned long long>(compositions),
                writes ? static_cast<double>(compositions) / static_cast<double>(writes) : 0.0);
    std::printf("time per write:        %.1f us (%.1f us per composition)\n",
                writes ? seconds * 1e6 / static_cast<double>(writes) : 0.0,
                compositions ? seconds * 1e6 / static_cast<double>(compositions) : 0.0);
    std::printf("gdi objects:           %zu at start, %zu at end\n", first.gdi, last.gdi);
    std::printf("resident memory:       %ld kB at start, %ld kB at end\n", first.rssKb, last.rssKb);
    std::printf("first visible frame:   %.1f ms after the application object started\n",
                s.screen.FirstVisibleFrameMs());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    long writes = 100000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--writes") == 0 && i + 1 < argc) {
            char* end = nullptr;
            writes = std::strtol(argv[++i], &end, 10);
            if (!end || *end || writes < 0) {
                std::fprintf(stderr, "tarvik-soak: --writes takes a count\n");
                return 2;
            }
        } else {
            std::fprintf(stderr, "usage: tarvik-soak [--writes N]\n");
            return 2;
        }
    }
    return RunGadget([&](Session& session) { Soak(session, writes); });
}
