#include <raster/Bitmap.h>
#include <raster/Font.h>
#include <raster/Ops.h>
#include <raster/TextLayout.h>

#include <benchmark/benchmark.h>

namespace {

using namespace raster;

constexpr int kSkinWidth = 195;
constexpr int kSkinHeight = 413;

// A premultiplied skin-like picture: opaque body, soft edges, transparent corners.
Bitmap Skin() {
    auto skin = *Bitmap::Create(kSkinWidth, kSkinHeight);
    for (int y = 0; y < kSkinHeight; ++y) {
        for (int x = 0; x < kSkinWidth; ++x) {
            const int edge = std::min({x, y, kSkinWidth - 1 - x, kSkinHeight - 1 - y});
            const std::uint32_t a = edge >= 8 ? 255 : static_cast<std::uint32_t>(edge * 32);
            skin.View().At(x, y) = Premultiplied(Argb(a, 40 + x % 64, 90, 60 + y % 32));
        }
    }
    return skin;
}

void BM_SkinSourceOver(benchmark::State& state) {
    const Bitmap skin = Skin();
    auto picture = *Bitmap::Create(kSkinWidth, kSkinHeight);
    const auto constantAlpha = static_cast<std::uint8_t>(state.range(0));
    for (auto _ : state) {
        BlendOver(picture.View(), picture.View().Bounds(), {0, 0}, skin.View(),
                  skin.View().Bounds(), constantAlpha);
        benchmark::DoNotOptimize(picture.Data());
    }
    state.SetItemsProcessed(state.iterations() * kSkinWidth * kSkinHeight);
}
BENCHMARK(BM_SkinSourceOver)->Arg(255)->Arg(200);

// One composition without the controls' own painting: clear, skin, twelve opaque panels.
void BM_Composition(benchmark::State& state) {
    const Bitmap skin = Skin();
    const auto panel = *Bitmap::Create(90, 40, 0xFF202020);
    auto picture = *Bitmap::Create(kSkinWidth, kSkinHeight);
    const auto view = PixelView::BottomUp(picture.Data(), kSkinWidth, kSkinHeight);
    for (auto _ : state) {
        Fill(view, view.Bounds(), view.Bounds(), 0);
        BlendOver(view, view.Bounds(), {0, 0}, skin.View(), skin.View().Bounds());
        for (int i = 0; i < 12; ++i) {
            CopyOpaque(view, view.Bounds(), {5 + (i % 2) * 95, 10 + (i / 2) * 66}, panel.View(),
                       panel.View().Bounds());
        }
        benchmark::DoNotOptimize(picture.Data());
    }
}
BENCHMARK(BM_Composition);

// A panel's worth of text: five lines of twenty characters, laid out and drawn.
void BM_PanelText(benchmark::State& state) {
    FontRequest request;
    request.height = FontRequest::PixelsFromPoints(9);
    const auto font = Font::Open(request);
    if (!font) {
        state.SkipWithError("no font");
        return;
    }
    const std::wstring text = L"CPU\t45℃ 温度 12.5%\n"
                              L"Core 1\t3400 RPM ok\n"
                              L"Core 2\t41℃  22.0%\n"
                              L"Memory\t7.8G / 15.6G\n"
                              L"Disk\t38℃ 0.012 q\n";
    auto panel = *Bitmap::Create(120, 80, 0xFFFFFFFF);
    LayoutOptions options;
    options.width = 120;
    options.expandTabs = true;
    options.wordBreak = true;
    for (auto _ : state) {
        const auto lines = LayoutText(text, options, *font);
        int y = 0;
        for (const auto& line : lines) {
            font->Draw(panel.View(), panel.View().Bounds(), {0, y}, line, 0xFF000000);
            y += font->Metrics().height;
        }
        benchmark::DoNotOptimize(panel.Data());
    }
}
BENCHMARK(BM_PanelText);

} // namespace
