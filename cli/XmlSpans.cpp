#include "cli/XmlSpans.h"

namespace cadentra_cli {

size_t ElementEnd(std::string_view text, size_t start) {
    auto closeAfter = [&](size_t from, std::string_view close) {
        const size_t at = text.find(close, from);
        return at == std::string_view::npos ? at : at + close.size();
    };
    int depth = 0;
    size_t i = start;
    while (i < text.size()) {
        i = text.find('<', i);
        if (i == std::string_view::npos || i + 1 >= text.size()) return std::string_view::npos;
        const char kind = text[i + 1];
        if (kind == '!' && text.compare(i, 4, "<!--") == 0) {
            i = closeAfter(i + 4, "-->");
        } else if (kind == '!' && text.compare(i, 9, "<![CDATA[") == 0) {
            i = closeAfter(i + 9, "]]>");
        } else if (kind == '?') {
            i = closeAfter(i + 2, "?>");
        } else if (kind == '/') {
            i = closeAfter(i + 2, ">");
            if (i != std::string_view::npos && --depth <= 0) return i;
        } else {
            // A start tag: its '>' lies outside quoted values.
            size_t j = i + 1;
            for (char quote = 0; j < text.size(); ++j) {
                const char c = text[j];
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (j >= text.size()) return std::string_view::npos;
            const bool selfClosing = text[j - 1] == '/';
            i = j + 1;
            if (!selfClosing) ++depth;
            if (depth == 0) return i;
        }
        if (i == std::string_view::npos) return i;
    }
    return std::string_view::npos;
}

TextSpan SpanOf(std::string_view text, pugi::xml_node element) {
    const ptrdiff_t nameOffset = element.offset_debug();
    if (nameOffset <= 0) return {};
    const size_t begin = static_cast<size_t>(nameOffset) - 1;
    const size_t end = ElementEnd(text, begin);
    return TextSpan{begin, end == std::string_view::npos ? text.size() : end};
}

} // namespace cadentra_cli
