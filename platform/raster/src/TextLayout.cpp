#include <raster/TextLayout.h>

#include <optional>

namespace raster {

namespace {

class LineBuilder {
public:
    LineBuilder(const LayoutOptions& options, const CharMetrics& metrics)
        : m_options(options), m_metrics(metrics),
          m_tabWidth(options.expandTabs ? 8 * metrics.AverageCharWidth() : 0) {}

    // One paragraph (no line breaks left in it), as one or more lines.
    void Paragraph(std::wstring_view text, std::size_t base, std::vector<LayoutLine>& out) const {
        std::size_t start = 0;
        do {
            LayoutLine line;
            start = OneLine(text, base, start, line);
            out.push_back(std::move(line));
        } while (start < text.size());
    }

private:
    int AdvanceAt(wchar_t ch, int x) const {
        if (ch == L'\t' && m_options.expandTabs) {
            // A zero average width would put every stop at 0: the tab takes no room then.
            return m_tabWidth > 0 ? (x / m_tabWidth + 1) * m_tabWidth - x : 0;
        }
        return m_metrics.Advance(ch);
    }

    // Fills `line` from text[start...], returns where the next line starts.
    std::size_t OneLine(std::wstring_view text, std::size_t base, std::size_t start,
                        LayoutLine& line) const {
        const bool wrap = m_options.wordBreak && !m_options.singleLine;
        const long long width = m_options.width;
        long long x = 0;
        std::optional<std::size_t> lastSpace; // in line.chars
        for (std::size_t i = start; i < text.size(); ++i) {
            const wchar_t ch = text[i];
            const int advance = AdvanceAt(ch, static_cast<int>(x));
            const bool fits = x + advance <= width;
            if (!wrap && x >= width) {
                // Cut: nothing of this or any later character is shown.
                Finish(line);
                return text.size();
            }
            if (wrap && !fits && !line.chars.empty()) {
                // Break after the last space (or at this one), dropping the spaces there.
                const bool atSpace = ch == L' ';
                std::size_t keep = atSpace ? line.chars.size() : lastSpace.value_or(0);
                std::size_t from = atSpace || !lastSpace ? i : line.chars[*lastSpace].index - base;
                while (keep > 0 && line.chars[keep - 1].ch == L' ') {
                    --keep;
                }
                if (keep == 0) {
                    // No space to break at, or only spaces before it: cut the word here.
                    Finish(line);
                    return i;
                }
                line.chars.resize(keep);
                Finish(line);
                while (from < text.size() && text[from] == L' ') {
                    ++from;
                }
                return from;
            }
            if (ch == L' ' && !line.chars.empty()) {
                lastSpace = line.chars.size();
            }
            line.chars.push_back({ch, base + i, static_cast<int>(x), advance});
            x += advance;
        }
        Finish(line);
        return text.size();
    }

    static void Finish(LayoutLine& line) {
        line.width = line.chars.empty() ? 0 : line.chars.back().x + line.chars.back().advance;
    }

    const LayoutOptions& m_options;
    const CharMetrics& m_metrics;
    int m_tabWidth;
};

} // namespace

std::vector<LayoutLine> LayoutText(std::wstring_view text, const LayoutOptions& options,
                                   const CharMetrics& metrics) {
    std::vector<LayoutLine> lines;
    const LineBuilder builder(options, metrics);
    if (options.singleLine) {
        if (!text.empty()) {
            builder.Paragraph(text, 0, lines);
        }
        return lines;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        const std::size_t next = end == std::wstring_view::npos ? text.size() : end + 1;
        if (end == std::wstring_view::npos) {
            end = text.size();
        }
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == L'\r' && end < text.size()) {
            --stop;
        }
        builder.Paragraph(text.substr(start, stop - start), start, lines);
        start = next;
    }
    return lines;
}

} // namespace raster
