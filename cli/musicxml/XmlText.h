// Small helpers for reading the text of a parsed MusicXML document: trimmed values, names
// compared without strcmp, plain integers, handles tested without a call, and walks over
// siblings of one name.
#pragma once

#include <pugixml.hpp>

#include <bit>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace cadentra_cli {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline std::string_view TrimmedView(const char* text) {
    while (IsBlank(*text))
        ++text;
    const char* end = text + std::strlen(text);
    while (end > text && IsBlank(end[-1]))
        --end;
    return std::string_view(text, static_cast<size_t>(end - text));
}

inline std::string Trimmed(const char* text) {
    return std::string(TrimmedView(text));
}

/// Whether the name `name` (ended by a zero) is `wanted`; it is read no further than the first
/// character that differs.
template <size_t N> bool NameIs(const char* name, const char (&wanted)[N]) {
    for (size_t i = 0; i < N; ++i)
        if (name[i] != wanted[i]) return false;
    return true;
}

/// Appends `text` with the characters that XML markup gives a meaning to (& < > ") escaped.
inline void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
}

/// Reads a sign at most and then plain digits from `text`, up to `end` (null: up to the first
/// character that is no digit) and moves `text` past them; none without digits or with more than
/// nine.
inline std::optional<int> ReadSignAndDigits(const char*& text, const char* end) {
    bool negative = false;
    if (text != end && (*text == '-' || *text == '+')) {
        negative = *text == '-';
        ++text;
    }
    int number = 0;
    int digits = 0;
    for (; text != end && *text >= '0' && *text <= '9'; ++text) {
        if (++digits > 9) return std::nullopt;
        number = number * 10 + (*text - '0');
    }
    if (digits == 0) return std::nullopt;
    return negative ? -number : number;
}

/// A whole number written as plain digits, with a sign at most; none for anything else.
inline std::optional<int> PlainInteger(std::string_view text) {
    const char* at = text.data();
    const char* end = text.data() + text.size();
    const auto number = ReadSignAndDigits(at, end);
    return at == end ? number : std::nullopt;
}

/// A whole number written as plain digits, with a sign at most, between blanks (as PlainInteger
/// of the trimmed text); none for anything else. Reads the text once, without measuring it first.
inline std::optional<int> PlainIntegerIn(const char* text) {
    while (IsBlank(*text))
        ++text;
    const auto number = ReadSignAndDigits(text, nullptr);
    while (IsBlank(*text))
        ++text;
    return *text == 0 ? number : std::nullopt;
}

// A pugixml handle is the pointer to its node and nothing more. The library's own test of a
// handle and its making of one from a pointer are calls into it, which the reader's walks would
// make for nearly every node they pass; these two do the same in place.
static_assert(sizeof(pugi::xml_node) == sizeof(pugi::xml_node_struct*) &&
              std::is_trivially_copyable_v<pugi::xml_node>);

/// Whether `node` is a node (as `bool(node)`).
inline bool IsNode(pugi::xml_node node) {
    return std::bit_cast<pugi::xml_node_struct*>(node) != nullptr;
}

/// The handle of `node` (as `pugi::xml_node(node)`).
inline pugi::xml_node HandleOf(pugi::xml_node_struct* node) {
    return std::bit_cast<pugi::xml_node>(node);
}

/// `first` and the siblings after it of the same name; where it is known how many there are
/// (`count`, 0 for not known), the walk stops at the last of them rather than look past it.
struct Each {
    pugi::xml_node first;
    int count = 0;
    struct Iterator {
        pugi::xml_node node;
        int left = 0;
        pugi::xml_node operator*() const { return node; }
        Iterator& operator++() {
            node = left == 1 ? pugi::xml_node() : node.next_sibling(node.name());
            if (left > 0) --left;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return node != other.node; }
    };
    Iterator begin() const { return {first, count}; }
    Iterator end() const { return {}; }
};

} // namespace cadentra_cli
