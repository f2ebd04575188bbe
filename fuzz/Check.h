#pragma once

// A broken promise of a parser is a finding like a crash: print it and abort,
// so that libFuzzer keeps the input.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

inline std::string_view Text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Two samples of one file from one input: before and after the first form feed.
inline void Split(std::string_view text, std::string_view& first, std::string_view& second) {
    const auto at = text.find('\f');
    first = text.substr(0, at);
    second = at == std::string_view::npos ? std::string_view() : text.substr(at + 1);
}

} // namespace fuzz
