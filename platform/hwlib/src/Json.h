#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hwlib {

// Just enough JSON for smartctl's output. Numbers keep their text, so that
// 48-bit raw counters print exactly.
class Json {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    // Empty on any syntax error or nesting deeper than a sane limit.
    static std::optional<Json> Parse(std::string_view text);

    Kind kind() const { return m_kind; }
    bool IsNumber() const { return m_kind == Kind::Number; }
    // Member of an object, or nullptr.
    const Json* Find(std::string_view key) const;
    const std::vector<Json>& Items() const { return m_items; }
    // A string's value or a number's text.
    const std::string& Text() const { return m_text; }
    bool Bool() const { return m_bool; }
    std::optional<long long> Integer() const;

private:
    friend class JsonParser;
    Kind m_kind = Kind::Null;
    bool m_bool = false;
    std::string m_text;
    std::vector<Json> m_items;       // array elements or object values
    std::vector<std::string> m_keys; // object keys, beside m_items
};

} // namespace hwlib
