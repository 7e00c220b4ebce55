#include "cli/musicxml/XmlSpans.h"

#include <algorithm>

namespace cadentra_cli {

namespace {

/// Scans from `i` with `depth` elements open until they are all closed; answers the offset just
/// past the tag that closed the last of them (npos when the text ends first). With `depth` 0 the
/// scan expects the start tag of an element at or after `i` and answers its end.
size_t CloseElements(std::string_view text, size_t i, int depth) {
    auto closeAfter = [&](size_t from, std::string_view close) {
        const size_t at = text.find(close, from);
        return at == std::string_view::npos ? at : at + close.size();
    };
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
            while (true) {
                j = text.find('>', j);
                if (j == std::string_view::npos) return j;
                // A quoted value that opens before that '>' may hold it: skip past the value.
                const std::string_view head = text.substr(i, j - i);
                const size_t quote = std::min(head.find('"'), head.find('\''));
                if (quote == std::string_view::npos) break;
                const size_t close = text.find(head[quote], i + quote + 1);
                if (close == std::string_view::npos) return close;
                i = close + 1;
                j = i;
            }
            const bool selfClosing = text[j - 1] == '/';
            i = j + 1;
            if (!selfClosing) ++depth;
            if (depth == 0) return i;
        }
        if (i == std::string_view::npos) return i;
    }
    return std::string_view::npos;
}

} // namespace

size_t ElementEnd(std::string_view text, size_t start) {
    return CloseElements(text, start, 0);
}

size_t StartOf(pugi::xml_node element) {
    const ptrdiff_t nameOffset = element.offset_debug();
    return nameOffset > 0 ? static_cast<size_t>(nameOffset) - 1 : std::string_view::npos;
}

TextSpan SpanOf(std::string_view text, pugi::xml_node element) {
    return SpanOf(text, element, element);
}

TextSpan SpanOf(std::string_view text, const CellRun& run) {
    if (!run.first) return TextSpan{run.insertAt, run.insertAt};
    return SpanOf(text, run.first, run.last);
}

TextSpan SpanOf(std::string_view text, pugi::xml_node first, pugi::xml_node lastElement) {
    const size_t begin = StartOf(first);
    const size_t elementBegin = StartOf(lastElement);
    if (begin == std::string_view::npos || elementBegin == std::string_view::npos) return {};
    // Only the last element's last element descendant is scanned, then the tags that close its
    // ancestors up to `lastElement`: nothing but text, comments, CDATA and processing instructions
    // can follow a last element child, and none of them opens an element. Reading every tag of
    // the element instead would cost its whole length.
    pugi::xml_node last = lastElement;
    int depth = 0;
    for (pugi::xml_node child = last.last_child(); child && child.type() == pugi::node_element;
         child = last.last_child()) {
        last = child;
        ++depth;
    }
    size_t end = std::string_view::npos;
    if (const ptrdiff_t lastOffset = last.offset_debug(); depth > 0 && lastOffset > 0) {
        end = ElementEnd(text, static_cast<size_t>(lastOffset) - 1);
        if (end != std::string_view::npos) end = CloseElements(text, end, depth);
    } else {
        end = ElementEnd(text, elementBegin);
    }
    return TextSpan{begin, end == std::string_view::npos ? text.size() : end};
}

} // namespace cadentra_cli
