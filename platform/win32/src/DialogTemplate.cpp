#include "DialogTemplate.h"

#include <win32/User.h>

#include <algorithm>

namespace win32::detail {
namespace {

// Little-endian reads over a bounded span; any read past the end fails the
// whole parse.
class Reader {
public:
    Reader(const BYTE* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Ok() const { return m_ok; }
    std::size_t Offset() const { return m_pos; }

    WORD Word() {
        if (!Need(2))
            return 0;
        WORD v = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    DWORD Dword() {
        const DWORD lo = Word();
        const DWORD hi = Word();
        return lo | (hi << 16);
    }
    BYTE Byte() {
        if (!Need(1))
            return 0;
        return m_data[m_pos++];
    }
    short Short() { return static_cast<short>(Word()); }

    // A zero-terminated UTF-16 string.
    std::wstring String() {
        std::wstring out;
        for (;;) {
            WORD unit = Word();
            if (!m_ok || unit == 0)
                return out;
            if (unit >= 0xD800 && unit < 0xDC00) {
                WORD low = Word();
                if (!m_ok)
                    return out;
                if (low >= 0xDC00 && low < 0xE000) {
                    out.push_back(
                        static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
                    continue;
                }
                out.push_back(static_cast<wchar_t>(0xFFFD));
                if (low == 0)
                    return out;
                unit = low;
            }
            out.push_back(static_cast<wchar_t>(unit));
        }
    }

    // sz_Or_Ord: 0 (none), 0xFFFF followed by an ordinal, or a string.
    void StringOrOrdinal(std::wstring& text, WORD& ordinal) {
        text.clear();
        ordinal = 0;
        if (!Need(2))
            return;
        const WORD first = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        if (first == 0) {
            m_pos += 2;
            return;
        }
        if (first == 0xFFFF) {
            m_pos += 2;
            ordinal = Word();
            return;
        }
        text = String();
    }

    void AlignDword() {
        const std::size_t aligned = (m_pos + 3) & ~static_cast<std::size_t>(3);
        if (aligned > m_size) {
            m_ok = false;
            return;
        }
        m_pos = aligned;
    }

    void Bytes(std::vector<BYTE>& out, std::size_t n) {
        if (!Need(n))
            return;
        out.assign(m_data + m_pos, m_data + m_pos + n);
        m_pos += n;
    }

private:
    bool Need(std::size_t n) {
        if (!m_ok || m_size - m_pos < n) {
            m_ok = false;
            return false;
        }
        return true;
    }

    const BYTE* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

std::wstring ClassForOrdinal(WORD ordinal) {
    switch (ordinal) {
    case 0x0080:
        return L"Button";
    case 0x0081:
        return L"Edit";
    case 0x0082:
        return L"Static";
    case 0x0083:
        return L"ListBox";
    case 0x0084:
        return L"ScrollBar";
    case 0x0085:
        return L"ComboBox";
    default:
        return L"#" + std::to_wstring(ordinal);
    }
}

} // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const BYTE* data, std::size_t size) {
    if (!data)
        return std::nullopt;
    Reader r(data, size);
    DialogTemplate t;
    const WORD version = r.Word();
    const WORD signature = r.Word();
    if (!r.Ok() || version != 1 || signature != 0xFFFF)
        return std::nullopt;
    t.helpId = r.Dword();
    t.exStyle = r.Dword();
    t.style = r.Dword();
    const WORD count = r.Word();
    t.x = r.Short();
    t.y = r.Short();
    t.cx = r.Short();
    t.cy = r.Short();
    WORD ordinal = 0;
    r.StringOrOrdinal(t.menu, ordinal);
    r.StringOrOrdinal(t.className, ordinal);
    if (ordinal)
        t.className = ClassForOrdinal(ordinal);
    t.title = r.String();
    if (t.style & DS_SETFONT) {
        t.hasFont = true;
        t.pointSize = r.Word();
        t.weight = r.Word();
        t.italic = r.Byte();
        t.charset = r.Byte();
        t.face = r.String();
    }
    if (!r.Ok())
        return std::nullopt;
    // The count is only a claim: every item takes at least 24 bytes, so do
    // not reserve for more than the rest of the bytes can hold.
    t.items.reserve(std::min<std::size_t>(count, (size - r.Offset()) / 24));
    for (WORD i = 0; i < count; ++i) {
        DialogItemTemplate item;
        r.AlignDword();
        item.helpId = r.Dword();
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = r.Dword();
        WORD classOrdinal = 0;
        r.StringOrOrdinal(item.className, classOrdinal);
        if (classOrdinal)
            item.className = ClassForOrdinal(classOrdinal);
        r.StringOrOrdinal(item.title, item.titleOrdinal);
        const WORD extra = r.Word();
        if (extra)
            r.Bytes(item.creationData, extra);
        if (!r.Ok())
            return std::nullopt;
        t.items.push_back(std::move(item));
    }
    return t;
}

} // namespace win32::detail
