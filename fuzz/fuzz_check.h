#pragma once
// What the fuzz targets share. FUZZ_CHECK states an invariant of the parser under test; a
// broken one prints what broke and aborts, so libFuzzer keeps the input as a finding just as
// it does a sanitizer report. FuzzedDataProvider (from clang) cuts the input into typed
// pieces for targets that build well-formed documents and check that they read back whole.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::fuzz {

[[noreturn]] inline void fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

// A string of at most maxLength characters of alphabet (UTF-8), so well-formed when it is.
inline std::string textFrom(FuzzedDataProvider& input, std::string_view alphabet, std::size_t maxLength) {
    std::vector<std::string_view> characters;
    for (std::size_t i = 0, start = 0; i <= alphabet.size(); ++i)
        if (i == alphabet.size() || (i > start && (static_cast<unsigned char>(alphabet[i]) & 0xC0) != 0x80)) {
            characters.push_back(alphabet.substr(start, i - start));
            start = i;
        }
    std::string out;
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, maxLength);
    for (std::size_t i = 0; i < length && input.remaining_bytes() > 0; ++i)
        out += characters[input.ConsumeIntegralInRange<std::size_t>(0, characters.size() - 1)];
    return out;
}

}  // namespace quillon::fuzz

#define FUZZ_CHECK(condition) ((condition) ? void() : ::quillon::fuzz::fail(#condition, __FILE__, __LINE__))
