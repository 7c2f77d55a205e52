// Names fixed at compile time for the log lines of feature classes: a class name given as a
// template argument ("Feature2005ButtonSwapCancel"), and the qualified location of one of its
// operations ("devio::Feature2005ButtonSwapCancel::SetSwapMode"), built once into static storage
// so that it can be handed to xLogWrite as a plain `const char*`.
#pragma once

#include <cstddef>
#include <string_view>

namespace devio {

// A string literal usable as a template argument.
template <std::size_t N>
struct FeatureName {
    char text[N]{};

    constexpr FeatureName(const char (&literal)[N]) { // NOLINT: implicit on purpose
        for (std::size_t i = 0; i < N; ++i) {
            text[i] = literal[i];
        }
    }
    constexpr std::string_view view() const { return {text, N - 1}; }
};

// The concatenation of the parts, terminated, in static storage: `JoinedName<"a", "b">::text`.
template <FeatureName... Parts>
struct JoinedName {
private:
    static constexpr std::size_t kLength = (Parts.view().size() + ...);
    struct Storage {
        char text[kLength + 1]{};
    };
    static constexpr Storage make() {
        Storage storage;
        std::size_t at = 0;
        for (std::string_view part : {Parts.view()...}) {
            for (char c : part) {
                storage.text[at++] = c;
            }
        }
        return storage;
    }
    static constexpr Storage kStorage = make();

public:
    static constexpr const char* text = kStorage.text;
};

// The name after the last "::" of a possibly qualified name.
constexpr std::string_view unqualified(std::string_view name) {
    std::size_t colons = name.rfind("::");
    return colons == std::string_view::npos ? name : name.substr(colons + 2);
}

// The value of hexadecimal digits of either case; -1 when a character is not a digit.
constexpr long hex_value(std::string_view digits) {
    long value = 0;
    for (char c : digits) {
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0) {
            return -1;
        }
        value = value * 16 + digit;
    }
    return value;
}

} // namespace devio
