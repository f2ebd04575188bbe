#include "Json.h"

#include <charconv>

namespace hwlib {

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : m_text(text) {}

    std::optional<Json> Document() {
        Json value;
        if (!Value(value, 0))
            return std::nullopt;
        SkipSpace();
        if (m_at != m_text.size())
            return std::nullopt;
        return value;
    }

private:
    static constexpr int kMaxDepth = 64;

    void SkipSpace() {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\n' ||
                                        m_text[m_at] == '\r' || m_text[m_at] == '\t'))
            ++m_at;
    }
    bool Take(char c) {
        SkipSpace();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    bool Word(std::string_view word) {
        if (m_text.substr(m_at, word.size()) != word)
            return false;
        m_at += word.size();
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }

    bool String(std::string& out) {
        if (!Take('"'))
            return false;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (m_at >= m_text.size())
                return false;
            const char e = m_text[m_at++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out.push_back(e);
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'u': {
                unsigned code = 0;
                if (m_at + 4 > m_text.size())
                    return false;
                auto [ptr, ec] =
                    std::from_chars(m_text.data() + m_at, m_text.data() + m_at + 4, code, 16);
                if (ec != std::errc() || ptr != m_text.data() + m_at + 4)
                    return false;
                m_at += 4;
                // Surrogate halves are not paired up; smartctl writes ASCII.
                AppendUtf8(out, code);
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    bool Number(Json& value) {
        const std::size_t start = m_at;
        if (m_at < m_text.size() && m_text[m_at] == '-')
            ++m_at;
        const std::size_t digits = m_at;
        while (m_at < m_text.size() &&
               std::string_view("0123456789.eE+-").find(m_text[m_at]) != std::string_view::npos)
            ++m_at;
        if (m_at == digits)
            return false;
        double check = 0;
        auto [ptr, ec] = std::from_chars(m_text.data() + start, m_text.data() + m_at, check);
        if (ec == std::errc::invalid_argument || ptr != m_text.data() + m_at)
            return false;
        value.m_kind = Json::Kind::Number;
        value.m_text.assign(m_text.substr(start, m_at - start));
        return true;
    }

    bool Value(Json& value, int depth) {
        if (depth > kMaxDepth)
            return false;
        SkipSpace();
        if (m_at >= m_text.size())
            return false;
        const char c = m_text[m_at];
        if (c == '{') {
            ++m_at;
            value.m_kind = Json::Kind::Object;
            if (Take('}'))
                return true;
            do {
                std::string key;
                if (!String(key) || !Take(':'))
                    return false;
                value.m_keys.push_back(std::move(key));
                value.m_items.emplace_back();
                if (!Value(value.m_items.back(), depth + 1))
                    return false;
            } while (Take(','));
            return Take('}');
        }
        if (c == '[') {
            ++m_at;
            value.m_kind = Json::Kind::Array;
            if (Take(']'))
                return true;
            do {
                value.m_items.emplace_back();
                if (!Value(value.m_items.back(), depth + 1))
                    return false;
            } while (Take(','));
            return Take(']');
        }
        if (c == '"') {
            value.m_kind = Json::Kind::String;
            return String(value.m_text);
        }
        if (Word("true")) {
            value.m_kind = Json::Kind::Bool;
            value.m_bool = true;
            return true;
        }
        if (Word("false")) {
            value.m_kind = Json::Kind::Bool;
            return true;
        }
        if (Word("null"))
            return true;
        return Number(value);
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

std::optional<Json> Json::Parse(std::string_view text) {
    return JsonParser(text).Document();
}

const Json* Json::Find(std::string_view key) const {
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        if (m_keys[i] == key)
            return &m_items[i];
    }
    return nullptr;
}

std::optional<long long> Json::Integer() const {
    if (m_kind != Kind::Number)
        return std::nullopt;
    long long value = 0;
    auto [ptr, ec] = std::from_chars(m_text.data(), m_text.data() + m_text.size(), value);
    if (ec != std::errc() || ptr != m_text.data() + m_text.size())
        return std::nullopt;
    return value;
}

} // namespace hwlib
