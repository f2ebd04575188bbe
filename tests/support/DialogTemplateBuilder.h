#pragma once

// Builds extended dialog templates in memory, in the platform's binary layout.

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

class DialogTemplateBuilder {
public:
    DialogTemplateBuilder(std::uint32_t style, short x, short y, short cx, short cy,
                          const std::wstring& face = L"MS Shell Dlg", std::uint16_t points = 9) {
        Word(1);
        Word(0xFFFF);
        Dword(0);
        Dword(0); // exStyle
        Dword(style);
        m_countAt = m_bytes.size();
        Word(0);
        Word(static_cast<std::uint16_t>(x));
        Word(static_cast<std::uint16_t>(y));
        Word(static_cast<std::uint16_t>(cx));
        Word(static_cast<std::uint16_t>(cy));
        Word(0); // menu
        Word(0); // class
        String(L"");
        if (style & 0x40) { // DS_SETFONT
            Word(points);
            Word(0);
            m_bytes.push_back(0);
            m_bytes.push_back(1);
            String(face);
        }
    }

    // classOrdinal: 0x80 Button, 0x81 Edit, 0x82 Static.
    DialogTemplateBuilder& Item(std::uint16_t classOrdinal, std::uint32_t id,
                                const std::wstring& title, std::uint32_t style, short x, short y,
                                short cx, short cy, std::uint32_t exStyle = 0) {
        while (m_bytes.size() % 4)
            m_bytes.push_back(0);
        Dword(0);
        Dword(exStyle);
        Dword(style);
        Word(static_cast<std::uint16_t>(x));
        Word(static_cast<std::uint16_t>(y));
        Word(static_cast<std::uint16_t>(cx));
        Word(static_cast<std::uint16_t>(cy));
        Dword(id);
        Word(0xFFFF);
        Word(classOrdinal);
        String(title);
        Word(0);
        ++m_count;
        m_bytes[m_countAt] = static_cast<std::uint8_t>(m_count & 0xFF);
        m_bytes[m_countAt + 1] = static_cast<std::uint8_t>(m_count >> 8);
        return *this;
    }

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    const void* Data() const { return m_bytes.data(); }

private:
    void Word(std::uint16_t v) {
        m_bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        m_bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void Dword(std::uint32_t v) {
        Word(static_cast<std::uint16_t>(v & 0xFFFF));
        Word(static_cast<std::uint16_t>(v >> 16));
    }
    void String(const std::wstring& s) {
        for (wchar_t c : s)
            Word(static_cast<std::uint16_t>(c));
        Word(0);
    }

    std::vector<std::uint8_t> m_bytes;
    std::size_t m_countAt = 0;
    std::uint16_t m_count = 0;
};

} // namespace testing_support
