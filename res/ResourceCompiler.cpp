#include "ResourceCompiler.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstddef>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <tuple>

namespace res {

namespace {

// ---- text: lines of whitespace-separated words and "quoted strings" ----

struct Token {
    std::string text;
    bool quoted = false;
};

struct Line {
    int number = 0;
    std::vector<Token> tokens;
};

struct Lines {
    std::vector<Line> lines;
    std::string error;
};

Lines SplitLines(std::string_view text) {
    Lines out;
    int number = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        Line line{number, {}};
        std::size_t i = 0;
        while (i < raw.size()) {
            char c = raw[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == '#') {
                break;
            } else if (c == '"') {
                Token t{"", true};
                ++i;
                bool closed = false;
                while (i < raw.size()) {
                    char q = raw[i++];
                    if (q == '"') {
                        closed = true;
                        break;
                    }
                    if (q == '\\' && i < raw.size() && (raw[i] == '"' || raw[i] == '\\'))
                        q = raw[i++];
                    t.text += q;
                }
                if (!closed) {
                    out.error = "line " + std::to_string(number) + ": unterminated string";
                    out.lines.clear();
                    return out;
                }
                line.tokens.push_back(std::move(t));
            } else {
                Token t;
                while (i < raw.size() && raw[i] != ' ' && raw[i] != '\t' && raw[i] != '\r' &&
                       raw[i] != '#' && raw[i] != '"')
                    t.text += raw[i++];
                line.tokens.push_back(std::move(t));
            }
        }
        if (!line.tokens.empty())
            out.lines.push_back(std::move(line));
        if (end == text.size())
            break;
    }
    return out;
}

std::string At(const Line& line, std::string_view message) {
    return "line " + std::to_string(line.number) + ": " + std::string(message);
}

// Decimal, or hexadecimal with 0x; a leading '-' only where min < 0.
std::optional<long long> ParseInteger(const Token& token, long long min, long long max) {
    if (token.quoted || token.text.empty())
        return std::nullopt;
    std::string_view s = token.text;
    bool negative = false;
    if (s.front() == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    unsigned long long magnitude = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    if (magnitude > static_cast<unsigned long long>(std::numeric_limits<long long>::max()))
        return std::nullopt;
    long long value =
        negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

// ---- binary output ----

class Writer {
public:
    void U8(std::uint8_t v) { m_bytes.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void String(std::u16string_view s) {
        for (char16_t c : s)
            U16(static_cast<std::uint16_t>(c));
        U16(0);
    }
    void Append(const Bytes& b) { m_bytes.insert(m_bytes.end(), b.begin(), b.end()); }
    void Align4() {
        while (m_bytes.size() % 4 != 0)
            U8(0);
    }
    void PatchU16(std::size_t at, std::uint16_t v) {
        m_bytes[at] = static_cast<std::uint8_t>(v);
        m_bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    std::size_t Size() const { return m_bytes.size(); }
    Bytes Take() { return std::move(m_bytes); }

private:
    Bytes m_bytes;
};

std::uint16_t ReadU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t ReadU32(std::span<const std::uint8_t> b, std::size_t at) {
    return ReadU16(b, at) | (static_cast<std::uint32_t>(ReadU16(b, at + 2)) << 16);
}

Compiled Fail(std::string error) {
    return Compiled{{}, std::move(error)};
}

// ---- dialog ----

constexpr std::uint32_t kDsSetFont = 0x40;

struct ClassOrdinal {
    std::string_view name;
    std::uint16_t ordinal;
};
constexpr std::array<ClassOrdinal, 6> kClasses{{{"Button", 0x0080},
                                                {"Edit", 0x0081},
                                                {"Static", 0x0082},
                                                {"ListBox", 0x0083},
                                                {"ScrollBar", 0x0084},
                                                {"ComboBox", 0x0085}}};

struct DialogItem {
    std::uint32_t id, style, exStyle;
    std::int16_t x, y, cx, cy;
    std::uint16_t classOrdinal;
    std::u16string caption;
};

} // namespace

bool Utf8ToUtf16(std::string_view s, std::u16string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < s.size()) {
        auto b0 = static_cast<unsigned char>(s[i]);
        std::uint32_t cp = 0;
        std::size_t extra = 0;
        if (b0 < 0x80) {
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            cp = b0 & 0x1F;
            extra = 1;
        } else if ((b0 & 0xF0) == 0xE0) {
            cp = b0 & 0x0F;
            extra = 2;
        } else if ((b0 & 0xF8) == 0xF0) {
            cp = b0 & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= s.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        constexpr std::array<std::uint32_t, 4> kMin{0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += extra + 1;
    }
    return true;
}

namespace {

// Reads a quoted token as UTF-16, or says why not.
std::optional<std::u16string> QuotedText(const Line& line, const Token& token, std::string& error,
                                         std::string_view what) {
    if (!token.quoted) {
        error = At(line, std::string(what) + " must be a quoted string");
        return std::nullopt;
    }
    std::u16string text;
    if (!Utf8ToUtf16(token.text, text)) {
        error = At(line, std::string(what) + " is not valid UTF-8");
        return std::nullopt;
    }
    return text;
}

} // namespace

Compiled CompileDialog(std::string_view text) {
    Lines lines = SplitLines(text);
    if (!lines.error.empty())
        return Fail(lines.error);

    std::optional<std::uint32_t> style, exStyle;
    std::optional<std::array<std::int16_t, 4>> rect;
    std::optional<std::u16string> title;
    struct Font {
        std::uint16_t points, weight;
        std::uint8_t italic, charset;
        std::u16string face;
    };
    std::optional<Font> font;
    std::vector<DialogItem> items;
    std::string error;

    auto dword = [](const Token& t) { return ParseInteger(t, 0, 0xFFFFFFFFLL); };
    auto coord = [](const Token& t) { return ParseInteger(t, -32768, 32767); };

    for (const Line& line : lines.lines) {
        const std::string& key = line.tokens[0].text;
        const auto& t = line.tokens;
        auto once = [&](bool already) {
            if (already)
                error = At(line, "'" + key + "' given twice");
            return !already;
        };
        auto fields = [&](std::size_t n, std::string_view usage) {
            if (t.size() != n + 1)
                error = At(line, "expected " + key + " " + std::string(usage));
            return t.size() == n + 1;
        };
        if (line.tokens[0].quoted) {
            error = At(line, "expected a keyword");
        } else if (key == "style" || key == "exstyle") {
            auto& slot = key == "style" ? style : exStyle;
            if (once(slot.has_value()) && fields(1, "<value>")) {
                if (auto v = dword(t[1]))
                    slot = static_cast<std::uint32_t>(*v);
                else
                    error = At(line, "bad " + key + " value '" + t[1].text + "'");
            }
        } else if (key == "rect") {
            if (once(rect.has_value()) && fields(4, "<x> <y> <cx> <cy>")) {
                std::array<std::int16_t, 4> r{};
                for (std::size_t k = 0; k < 4 && error.empty(); ++k) {
                    if (auto v = coord(t[k + 1]))
                        r[k] = static_cast<std::int16_t>(*v);
                    else
                        error = At(line, "bad coordinate '" + t[k + 1].text + "'");
                }
                rect = r;
            }
        } else if (key == "title") {
            if (once(title.has_value()) && fields(1, "\"<text>\""))
                title = QuotedText(line, t[1], error, "the title");
        } else if (key == "font") {
            if (once(font.has_value()) &&
                fields(5, "<points> <weight> <italic> <charset> \"<typeface>\"")) {
                auto points = ParseInteger(t[1], 0, 0xFFFF);
                auto weight = ParseInteger(t[2], 0, 0xFFFF);
                auto italic = ParseInteger(t[3], 0, 1);
                auto charset = ParseInteger(t[4], 0, 0xFF);
                if (!points || !weight || !italic || !charset) {
                    error = At(line, "bad font numbers");
                } else if (auto face = QuotedText(line, t[5], error, "the typeface")) {
                    font = Font{static_cast<std::uint16_t>(*points),
                                static_cast<std::uint16_t>(*weight),
                                static_cast<std::uint8_t>(*italic),
                                static_cast<std::uint8_t>(*charset), std::move(*face)};
                }
            }
        } else if (key == "control") {
            if (fields(9, "<id> <class> <style> <exstyle> <x> <y> <cx> <cy> \"<caption>\"")) {
                DialogItem item{};
                auto id = dword(t[1]);
                auto cls = std::find_if(kClasses.begin(), kClasses.end(),
                                        [&](const ClassOrdinal& c) { return c.name == t[2].text; });
                auto itemStyle = dword(t[3]);
                auto itemExStyle = dword(t[4]);
                std::array<std::optional<long long>, 4> r{coord(t[5]), coord(t[6]), coord(t[7]),
                                                          coord(t[8])};
                if (!id)
                    error = At(line, "bad control id '" + t[1].text + "'");
                else if (t[2].quoted || cls == kClasses.end())
                    error = At(line, "unknown control class '" + t[2].text + "'");
                else if (!itemStyle || !itemExStyle)
                    error = At(line, "bad control style");
                else if (!r[0] || !r[1] || !r[2] || !r[3])
                    error = At(line, "bad control rectangle");
                else if (auto caption = QuotedText(line, t[9], error, "the caption")) {
                    item.id = static_cast<std::uint32_t>(*id);
                    item.classOrdinal = cls->ordinal;
                    item.style = static_cast<std::uint32_t>(*itemStyle);
                    item.exStyle = static_cast<std::uint32_t>(*itemExStyle);
                    item.x = static_cast<std::int16_t>(*r[0]);
                    item.y = static_cast<std::int16_t>(*r[1]);
                    item.cx = static_cast<std::int16_t>(*r[2]);
                    item.cy = static_cast<std::int16_t>(*r[3]);
                    item.caption = std::move(*caption);
                    items.push_back(std::move(item));
                }
            }
        } else {
            error = At(line, "unknown keyword '" + key + "'");
        }
        if (!error.empty())
            return Fail(error);
    }

    if (!style)
        return Fail("the dialog has no style");
    if (!rect)
        return Fail("the dialog has no rect");
    if ((*style & kDsSetFont) != 0 && !font)
        return Fail("the style has DS_SETFONT but there is no font line");
    if ((*style & kDsSetFont) == 0 && font)
        return Fail("a font line needs DS_SETFONT (0x40) in the style");
    if (items.size() > 0xFFFF)
        return Fail("too many controls");

    Writer w;
    w.U16(1);      // dlgVer
    w.U16(0xFFFF); // signature: extended template
    w.U32(0);      // helpID
    w.U32(exStyle.value_or(0));
    w.U32(*style);
    w.U16(static_cast<std::uint16_t>(items.size()));
    for (std::int16_t v : *rect)
        w.I16(v);
    w.U16(0); // no menu
    w.U16(0); // the default dialog class
    w.String(title.value_or(u""));
    if (font) {
        w.U16(font->points);
        w.U16(font->weight);
        w.U8(font->italic);
        w.U8(font->charset);
        w.String(font->face);
    }
    for (const DialogItem& item : items) {
        w.Align4();
        w.U32(0); // helpID
        w.U32(item.exStyle);
        w.U32(item.style);
        w.I16(item.x);
        w.I16(item.y);
        w.I16(item.cx);
        w.I16(item.cy);
        w.U32(item.id);
        w.U16(0xFFFF);
        w.U16(item.classOrdinal);
        w.String(item.caption);
        w.U16(0); // extraCount: no creation data
    }
    return Compiled{w.Take(), {}};
}

// ---- version ----

namespace {

// One node of the version tree. Children start on 32-bit boundaries; the
// node's length leaves out the padding after its last child.
std::optional<Bytes> VersionNode(std::u16string_view key, std::uint16_t type, const Bytes& value,
                                 std::uint16_t valueLength, const std::vector<Bytes>& children) {
    Writer w;
    w.U16(0); // wLength, patched below
    w.U16(valueLength);
    w.U16(type);
    w.String(key);
    w.Align4();
    w.Append(value);
    for (const Bytes& child : children) {
        w.Align4();
        w.Append(child);
    }
    if (w.Size() > 0xFFFF)
        return std::nullopt;
    w.PatchU16(0, static_cast<std::uint16_t>(w.Size()));
    return w.Take();
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> ParseDottedVersion(const Token& t) {
    if (t.quoted)
        return std::nullopt;
    std::vector<std::uint32_t> part;
    std::string_view s = t.text;
    while (true) {
        std::size_t dot = s.find('.');
        auto v = ParseInteger(Token{std::string(s.substr(0, dot)), false}, 0, 0xFFFF);
        if (!v)
            return std::nullopt;
        part.push_back(static_cast<std::uint32_t>(*v));
        if (dot == std::string_view::npos)
            break;
        s.remove_prefix(dot + 1);
    }
    if (part.size() != 4)
        return std::nullopt;
    return std::pair{(part[0] << 16) | part[1], (part[2] << 16) | part[3]};
}

} // namespace

Compiled CompileVersion(std::string_view text) {
    Lines lines = SplitLines(text);
    if (!lines.error.empty())
        return Fail(lines.error);

    std::pair<std::uint32_t, std::uint32_t> fileVersion{}, productVersion{};
    std::map<std::string, std::uint32_t> fixed{
        {"flagsmask", 0}, {"flags", 0}, {"os", 0}, {"filetype", 0}, {"filesubtype", 0}};
    std::set<std::string> seen;
    std::optional<std::u16string> tableKey;
    std::vector<std::pair<std::u16string, std::u16string>> strings;
    std::vector<std::uint16_t> translations;
    std::string error;

    for (const Line& line : lines.lines) {
        const auto& t = line.tokens;
        const std::string& key = t[0].text;
        if (t[0].quoted) {
            error = At(line, "expected a keyword");
        } else if (key == "string") {
            if (!tableKey) {
                error = At(line, "a string needs a stringtable line before it");
            } else if (t.size() != 3 || t[1].quoted) {
                error = At(line, "expected string <Name> \"<value>\"");
            } else {
                std::u16string name;
                auto value = QuotedText(line, t[2], error, "the value");
                if (value && Utf8ToUtf16(t[1].text, name))
                    strings.emplace_back(std::move(name), std::move(*value));
            }
        } else if (!seen.insert(key).second) {
            error = At(line, "'" + key + "' given twice");
        } else if (key == "fileversion" || key == "productversion") {
            auto v = t.size() == 2 ? ParseDottedVersion(t[1]) : std::nullopt;
            if (v)
                (key == "fileversion" ? fileVersion : productVersion) = *v;
            else
                error = At(line, "expected " + key + " <a.b.c.d>, each part 0 to 65535");
        } else if (fixed.count(key) != 0) {
            auto v = t.size() == 2 ? ParseInteger(t[1], 0, 0xFFFFFFFFLL) : std::nullopt;
            if (v)
                fixed[key] = static_cast<std::uint32_t>(*v);
            else
                error = At(line, "expected " + key + " <value>");
        } else if (key == "stringtable") {
            bool hex = t.size() == 2 && !t[1].quoted && t[1].text.size() == 8 &&
                       std::all_of(t[1].text.begin(), t[1].text.end(), [](char c) {
                           return std::isxdigit(static_cast<unsigned char>(c));
                       });
            if (hex)
                tableKey = std::u16string(t[1].text.begin(), t[1].text.end());
            else
                error = At(line, "expected stringtable <language and code page, 8 hex digits>");
        } else if (key == "translation") {
            if (t.size() < 3 || t.size() % 2 == 0)
                error = At(line, "expected translation <language> <code page> ...");
            for (std::size_t k = 1; k < t.size() && error.empty(); ++k) {
                if (auto v = ParseInteger(t[k], 0, 0xFFFF))
                    translations.push_back(static_cast<std::uint16_t>(*v));
                else
                    error = At(line, "bad translation value '" + t[k].text + "'");
            }
        } else {
            error = At(line, "unknown keyword '" + key + "'");
        }
        if (!error.empty())
            return Fail(error);
    }
    if (seen.count("fileversion") == 0 || seen.count("productversion") == 0)
        return Fail("the version block needs fileversion and productversion");

    Writer fixedInfo;
    fixedInfo.U32(0xFEEF04BD); // signature
    fixedInfo.U32(0x00010000); // structure version
    fixedInfo.U32(fileVersion.first);
    fixedInfo.U32(fileVersion.second);
    fixedInfo.U32(productVersion.first);
    fixedInfo.U32(productVersion.second);
    for (const char* name : {"flagsmask", "flags", "os", "filetype", "filesubtype"})
        fixedInfo.U32(fixed[name]);
    fixedInfo.U32(0); // file date, high and low
    fixedInfo.U32(0);

    std::vector<Bytes> children;
    auto tooLarge = [] { return Fail("the version block is larger than 65535 bytes"); };
    if (tableKey) {
        std::vector<Bytes> stringNodes;
        for (const auto& [name, value] : strings) {
            Writer v;
            v.String(value);
            // A string's value length counts UTF-16 units, terminator included.
            auto node =
                VersionNode(name, 1, v.Take(), static_cast<std::uint16_t>(value.size() + 1), {});
            if (!node || value.size() + 1 > 0xFFFF)
                return tooLarge();
            stringNodes.push_back(std::move(*node));
        }
        auto table = VersionNode(*tableKey, 1, {}, 0, stringNodes);
        if (!table)
            return tooLarge();
        auto info = VersionNode(u"StringFileInfo", 1, {}, 0, {*table});
        if (!info)
            return tooLarge();
        children.push_back(std::move(*info));
    }
    if (!translations.empty()) {
        Writer pairs;
        for (std::uint16_t v : translations)
            pairs.U16(v);
        auto var = VersionNode(u"Translation", 0, pairs.Take(),
                               static_cast<std::uint16_t>(translations.size() * 2), {});
        auto info = var ? VersionNode(u"VarFileInfo", 1, {}, 0, {*var}) : std::nullopt;
        if (!info)
            return tooLarge();
        children.push_back(std::move(*info));
    }
    auto root = VersionNode(u"VS_VERSION_INFO", 0, fixedInfo.Take(), 52, children);
    if (!root)
        return tooLarge();
    return Compiled{std::move(*root), {}};
}

// ---- icon ----

IconGroup SplitIcon(std::span<const std::uint8_t> ico, std::uint16_t firstId) {
    IconGroup out;
    auto fail = [&](std::string error) {
        out = IconGroup{};
        out.error = std::move(error);
        return out;
    };
    constexpr std::size_t kHeader = 6, kEntry = 16;
    if (ico.size() < kHeader || ReadU16(ico, 0) != 0 || ReadU16(ico, 2) != 1)
        return fail("not an icon file (no ICONDIR header)");
    std::size_t count = ReadU16(ico, 4);
    if (count == 0)
        return fail("the icon file holds no images");
    if (ico.size() < kHeader + count * kEntry)
        return fail("the icon file's directory is cut short");
    if (firstId == 0 || firstId + count - 1 > 0xFFFF)
        return fail("the icon images' ids do not fit in 16 bits");

    Writer dir;
    dir.U16(0);
    dir.U16(1);
    dir.U16(static_cast<std::uint16_t>(count));
    for (std::size_t k = 0; k < count; ++k) {
        std::size_t entry = kHeader + k * kEntry;
        std::uint32_t size = ReadU32(ico, entry + 8);
        std::uint32_t offset = ReadU32(ico, entry + 12);
        if (size == 0 || offset > ico.size() || size > ico.size() - offset)
            return fail("icon image " + std::to_string(k + 1) + " lies outside the file");
        // A group entry is the file's entry with the image's id in place of its offset.
        for (std::size_t b = 0; b < 12; ++b)
            dir.U8(ico[entry + b]);
        dir.U16(static_cast<std::uint16_t>(firstId + k));
        out.images.emplace_back(ico.begin() + offset, ico.begin() + offset + size);
    }
    out.directory = dir.Take();
    return out;
}

// ---- the list ----

ResourceList ParseResourceList(std::string_view text) {
    ResourceList out;
    Lines lines = SplitLines(text);
    if (!lines.error.empty()) {
        out.error = lines.error;
        return out;
    }
    std::set<std::tuple<int, std::string, std::uint16_t, std::uint16_t>> keys;
    for (const Line& line : lines.lines) {
        const auto& t = line.tokens;
        if (t.size() != 4) {
            out.error = At(line, "expected <kind> <id> <language> <file>");
            break;
        }
        ListEntry e{};
        if (t[0].quoted) {
            e.kind = ListEntry::Kind::Raw;
            e.typeName = t[0].text;
            bool plain = !e.typeName.empty() &&
                         std::all_of(e.typeName.begin(), e.typeName.end(), [](char c) {
                             return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                         });
            if (!plain) {
                out.error = At(line, "a type name is letters, digits and '_'");
                break;
            }
        } else if (t[0].text == "ICON") {
            e.kind = ListEntry::Kind::Icon;
        } else if (t[0].text == "DIALOG") {
            e.kind = ListEntry::Kind::Dialog;
        } else if (t[0].text == "VERSION") {
            e.kind = ListEntry::Kind::Version;
        } else if (t[0].text == "MANIFEST") {
            e.kind = ListEntry::Kind::Manifest;
        } else {
            out.error = At(line, "unknown kind '" + t[0].text + "'");
            break;
        }
        auto id = ParseInteger(t[1], 1, 0xFFFF);
        auto language = ParseInteger(t[2], 0, 0xFFFF);
        if (!id || !language) {
            out.error = At(line, "bad id or language");
            break;
        }
        e.id = static_cast<std::uint16_t>(*id);
        e.language = static_cast<std::uint16_t>(*language);
        e.file = t[3].text;
        if (!keys.emplace(static_cast<int>(e.kind), e.typeName, e.id, e.language).second) {
            out.error = At(line, "the same resource is listed twice");
            break;
        }
        out.entries.push_back(std::move(e));
    }
    if (!out.error.empty())
        out.entries.clear();
    return out;
}

} // namespace res
