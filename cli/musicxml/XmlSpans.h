// Where elements lie in the text: pugixml tells where an element's name starts; the rest of the
// element is found by a lexical scan that knows comments, CDATA, processing instructions and
// quoted attribute values.
#pragma once

#include "cli/musicxml/Score.h"

#include <pugixml.hpp>

#include <string_view>

namespace cadentra_cli {

/// The offset just past the element whose '<' is at `start`; npos when the text ends first.
size_t ElementEnd(std::string_view text, size_t start);

/// Where an element node of a document parsed in place from its text begins (its '<'); npos when
/// that is not known.
size_t StartOf(pugi::xml_node element);

/// The span of an element node of a document parsed from `text`.
TextSpan SpanOf(std::string_view text, pugi::xml_node element);

/// The span from the start of `first` to the end of `last` (elements of a document parsed from
/// `text`, `last` not before `first`).
TextSpan SpanOf(std::string_view text, pugi::xml_node first, pugi::xml_node last);

/// The span of a run of a cell: from its first to its last element, or the empty span where an
/// added run goes.
TextSpan SpanOf(std::string_view text, const CellRun& run);

} // namespace cadentra_cli
