// Where elements lie in the text: pugixml tells where an element's name starts; the rest of the
// element is found by a lexical scan that knows comments, CDATA, processing instructions and
// quoted attribute values.
#pragma once

#include "cli/Score.h"

#include <pugixml.hpp>

#include <string_view>

namespace cadentra_cli {

/// The offset just past the element whose '<' is at `start`; npos when the text ends first.
size_t ElementEnd(std::string_view text, size_t start);

/// The span of an element node of a document parsed from `text`.
TextSpan SpanOf(std::string_view text, pugi::xml_node element);

} // namespace cadentra_cli
