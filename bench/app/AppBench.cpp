// The main dialog end to end on the headless screen: one composition
// (Refresh) and one panel write from another thread until every composition
// it causes has been pushed, with the number of compositions per write.

#include "AppHarness.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cwctype>
#include <vector>

namespace {

using namespace bench_app;

Session* g_session = nullptr;

double Percentile(std::vector<double> samples, double p) {
    if (samples.empty())
        return 0;
    const auto at = static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1));
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(at),
                     samples.end());
    return samples[at];
}

// One Refresh on the UI thread, timed there (the send to it is not counted).
void BM_Refresh(benchmark::State& state) {
    Session& s = *g_session;
    const std::size_t gdiBefore = win32::GdiObjectCount();
    std::vector<double> us;
    std::vector<double> cpuUs;
    us.reserve(1 << 16);
    cpuUs.reserve(1 << 16);
    for (auto _ : state) {
        const auto ns = SendMessageW(s.dialog, kComposeNow, 0, 0);
        state.SetIterationTime(static_cast<double>(ns) * 1e-9);
        if (us.size() < us.capacity()) {
            us.push_back(static_cast<double>(ns) * 1e-3);
            cpuUs.push_back(static_cast<double>(LastComposeCpuNs()) * 1e-3);
        }
    }
    // Wall time on the UI thread, and its CPU time (what a busy machine's
    // other work does not inflate).
    state.counters["median_us"] = Percentile(us, 0.5);
    state.counters["p90_us"] = Percentile(us, 0.9);
    state.counters["cpu_median_us"] = Percentile(cpuUs, 0.5);
    state.counters["gdi_growth"] =
        static_cast<double>(win32::GdiObjectCount()) - static_cast<double>(gdiBefore);
}
BENCHMARK(BM_Refresh)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The panel's text with its first digit changed: a new reading of the same shape.
std::wstring Changed(std::wstring text) {
    for (auto& c : text)
        if (std::iswdigit(c)) {
            c = c == L'9' ? L'1' : static_cast<wchar_t>(c + 1);
            return text;
        }
    return text + L"1";
}

// How many pictures one write of `text` causes, once everything it set off is done.
std::uint64_t CompositionsOf(Session& s, int id, const std::wstring& text) {
    const auto before = s.screen.Pushes();
    SetDlgItemTextW(s.dialog, id, text.c_str());
    WaitQuiet(s.screen);
    return s.screen.Pushes() - before;
}

// SetDlgItemTextW from this thread, as a collector does, until the last
// picture it causes has been pushed. range(0): the panel; range(1): 1 writes
// a new reading each time, 0 writes the text the panel already shows.
void BM_PanelWrite(benchmark::State& state) {
    Session& s = *g_session;
    const int id = static_cast<int>(state.range(0));
    const bool change = state.range(1) != 0;
    const std::wstring shown = Panel(s.dialog, id);
    const std::wstring texts[2] = {change ? Changed(shown) : shown, shown};
    CompositionsOf(s, id, texts[1]);
    const std::uint64_t perWrite = CompositionsOf(s, id, texts[0]);
    CompositionsOf(s, id, texts[1]);
    const std::size_t gdiBefore = win32::GdiObjectCount();
    std::size_t n = 0;
    for (auto _ : state) {
        const auto start = s.screen.Pushes();
        SetDlgItemTextW(s.dialog, id, texts[n++ & 1].c_str());
        for (auto seen = s.screen.Pushes(); seen < start + perWrite; seen = s.screen.Pushes())
            s.screen.WaitPast(seen);
    }
    WaitQuiet(s.screen);
    SetDlgItemTextW(s.dialog, id, shown.c_str());
    WaitQuiet(s.screen);
    state.counters["compositions"] = static_cast<double>(perWrite);
    state.counters["gdi_growth"] =
        static_cast<double>(win32::GdiObjectCount()) - static_cast<double>(gdiBefore);
}
BENCHMARK(BM_PanelWrite)
    ->ArgNames({"panel", "change"})
    ->Args({IDC_CPU_TEMP, 1})
    ->Args({IDC_CPU, 1})
    ->Args({IDC_CPU_TEMP, 0})
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    double firstFrame = -1;
    const int code = RunGadget([&](Session& session) {
        g_session = &session;
        firstFrame = session.screen.FirstVisibleFrameMs();
        benchmark::RunSpecifiedBenchmarks();
        g_session = nullptr;
    });
    benchmark::Shutdown();
    std::printf("first visible frame: %.1f ms after the application object started\n", firstFrame);
    std::printf("compositions made by BM_Refresh in all: %lld\n", ComposedOnRequest());
    return code;
}
