#include "cli/XmlSpans.h"

namespace cadentra_cli {

size_t ElementEnd(std::string_view text, size_t start) {
    int depth = 0;
    size_t i = start;
    while (i < text.size()) {
        i = text.find('<', i);
        if (i == std::string_view::npos) return std::string_view::npos;
        if (text.compare(i, 4, "<!--") == 0) {
            const size_t close = text.find("-->", i + 4);
            if (close == std::string_view::npos) return close;
            i = close + 3;
        } else if (text.compare(i, 9, "<![CDATA[") == 0) {
            const size_t close = text.find("]]>", i + 9);
            if (close == std::string_view::npos) return close;
            i = close + 3;
        } else if (text.compare(i, 2, "<?") == 0) {
            const size_t close = text.find("?>", i + 2);
            if (close == std::string_view::npos) return close;
            i = close + 2;
        } else if (text.compare(i, 2, "</") == 0) {
            const size_t close = text.find('>', i + 2);
            if (close == std::string_view::npos) return close;
            i = close + 1;
            if (--depth <= 0) return i;
        } else {
            // A start tag: find its '>' outside quoted values.
            char quote = 0;
            size_t j = i + 1;
            for (; j < text.size(); ++j) {
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
