// Engraved notation for the preview page: measures of a MusicXML score drawn as SVG by Verovio,
// which runs under Node.js as the script preview/render.mjs with the npm packages installed
// beside it (scripts/install-deps.sh installs both).
#pragma once

#include "cli/Selection.h"

#include <string>
#include <vector>

namespace cadentra_cli {

/// Node.js and the folder that holds render.mjs and its node_modules.
struct Engraver {
    std::string node;
    std::string folder;
};

/// The folder of render.mjs: $CADENTRA_PREVIEW_DIR where it is set, else the preview folder of
/// the sources this program was built from.
std::string PreviewFolder();

/// Finds the engraver: `node` on PATH, render.mjs and the verovio package in PreviewFolder().
/// Throws InputError naming what is missing and how to install it.
Engraver FindEngraver();

/// A MusicXML document (any encoding the reader takes, partwise or timewise; `name` for
/// messages) as partwise UTF-8 text without a DOCTYPE, which is what Verovio reads. Throws
/// InputError for a document that does not parse.
std::string PartwiseMusicXml(const std::string& bytes, const std::string& name);

/// The SVG of one measure range of the two scores: one or more <svg> elements in a row, whose
/// staff groups (class "staff") carry data-n, the staff's position in the score.
struct RangeDrawings {
    std::string before;
    std::string after;
};

/// Draws measures `ranges` (host numbers, that is positions from 1) of every part of the
/// partwise scores `before` and `after`, with the engraver in a process of its own. Throws
/// InputError saying what failed, with what the engraver said.
std::vector<RangeDrawings> Engrave(const Engraver& engraver, const std::string& before,
                                   const std::string& after,
                                   const std::vector<MeasureRange>& ranges);

} // namespace cadentra_cli
