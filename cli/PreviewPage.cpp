#include "cli/PreviewPage.h"

#include "cli/musicxml/XmlText.h"

#include <cctype>

namespace cadentra_cli {
namespace {

/// The colour the changed staves are drawn in, and the band beside their report.
constexpr const char* MARK_COLOUR = "#c0392b";

constexpr const char* STYLE =
    "body { font-family: sans-serif; margin: 1.5em 2em; color: #222; background: #fff; }\n"
    "h1 { font-size: 1.4em; margin: 0 0 0.3em 0; }\n"
    "h2 { font-size: 1.15em; margin: 0 0 0.4em 0; }\n"
    "p.source { margin: 0 0 1.2em 0; }\n"
    "section { border-top: 1px solid #bbb; padding-top: 0.8em; margin-bottom: 2em; }\n"
    "p.changed { margin: 0 0 0.6em 0; }\n"
    "p.changed span.mark { color: MARK; font-weight: bold; }\n"
    "div.range { display: flex; gap: 1.5em; align-items: flex-start; }\n"
    "div.drawings { flex: 0 1 auto; min-width: 0; }\n"
    "figure { margin: 0 0 1em 0; }\n"
    "figcaption { font-weight: bold; margin-bottom: 0.2em; }\n"
    "figure svg { display: block; max-width: 100%; height: auto; }\n"
    "pre.report { flex: 0 1 auto; max-width: 48em; margin: 1.6em 0 0 0; padding: 0.6em 0.8em; "
    "background: #f4f4f4;"
    " border-left: 4px solid MARK; white-space: pre-wrap; font-size: 0.85em; }\n";

std::string Escaped(std::string_view text) {
    std::string out;
    AppendEscaped(out, text);
    return out;
}

std::string WithMarkColour(std::string style) {
    for (size_t at = style.find("MARK"); at != std::string::npos; at = style.find("MARK", at))
        style.replace(at, 4, MARK_COLOUR);
    return style;
}

/// The rule that colours staves `staves` in the drawings of section `id`: their staff groups
/// carry data-n, the staff's position in the score.
std::string MarkRule(const std::string& id, const std::vector<int>& staves) {
    std::string rule;
    for (int staff : staves)
        rule += (rule.empty() ? "" : ",\n") +
                ("#" + id + " g.staff[data-n=\"" + std::to_string(staff) + "\"]");
    return rule + " { color: " + MARK_COLOUR + "; fill: " + MARK_COLOUR + "; }\n";
}

/// Verovio's SVG without anything before its first element (a declaration, a comment).
std::string Inline(const std::string& svg) {
    const size_t begin = svg.find("<svg");
    return begin == std::string::npos ? std::string() : svg.substr(begin);
}

std::string StaffNames(const Score& score, const std::vector<int>& staves) {
    std::string names;
    for (size_t i = 0; i < staves.size(); ++i)
        names += (i == 0                   ? ""
                  : i + 1 == staves.size() ? " and "
                                           : ", ") +
                 DescribeStaff(score, staves[i]);
    return names;
}

} // namespace

std::string MakePreviewPage(const Engraver& engraver, const Score& score, const CopyPlan& plan,
                            const PlanOutcome& outcome, const PreviewInput& input) {
    // The staff ranges of one block share its drawing: it shows the whole score in those
    // measures, with every staff that changed there marked.
    struct Section {
        size_t block = 0;
        std::vector<const ChangedRange*> ranges;
        std::vector<int> changedStaves;
    };
    const std::vector<ChangedRange> ranges = ChangedRanges(plan, outcome);
    std::vector<Section> sections;
    for (const ChangedRange& range : ranges) {
        if (sections.empty() || sections.back().block != range.block)
            sections.push_back(Section{range.block, {}, {}});
        sections.back().ranges.push_back(&range);
        sections.back().changedStaves.insert(sections.back().changedStaves.end(),
                                             range.changedStaves.begin(),
                                             range.changedStaves.end());
    }
    std::vector<MeasureRange> measures;
    for (const Section& section : sections)
        measures.push_back(outcome.blocks[section.block].measures);
    const std::vector<RangeDrawings> drawings =
        Engrave(engraver, PartwiseMusicXml(input.beforeBytes, input.scoreName),
                PartwiseMusicXml(input.afterBytes, input.scoreName), measures);

    std::string marks;
    for (const Section& section : sections)
        marks += MarkRule("block-" + std::to_string(section.block + 1), section.changedStaves);
    std::string page =
        "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n"
        "<head>\n<meta charset=\"utf-8\"/>\n<title>cadentra copy: " +
        Escaped(input.scoreName) + "</title>\n<style>\n" + WithMarkColour(STYLE) + marks +
        "</style>\n</head>\n<body>\n<h1>cadentra copy: " + Escaped(input.scoreName) +
        "</h1>\n<p class=\"source\">" + Escaped(DescribeSource(score, plan, outcome)) + "</p>\n";
    for (size_t i = 0; i < sections.size(); ++i) {
        const Section& section = sections[i];
        const BlockResult& block = outcome.blocks[section.block];
        std::string heading = NameMeasures(score, block.measures);
        heading[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(heading[0])));
        if (plan.repeat)
            heading += ", block " + std::to_string(section.block + 1) + " of " +
                       std::to_string(outcome.blocks.size());
        std::string report;
        for (size_t r = 0; r < section.ranges.size(); ++r) {
            heading += (r == 0 ? ": " : ", ") + NameStaves(section.ranges[r]->staves);
            for (const LayerResult* layer : section.ranges[r]->layers)
                report += DescribeLayerResult(score, plan, outcome, block, *layer) + "\n";
        }
        page += "<section id=\"block-" + std::to_string(section.block + 1) + "\">\n<h2>" +
                Escaped(heading) +
                "</h2>\n<p class=\"changed\">Changed, <span class=\"mark\">in colour</span>: " +
                Escaped(StaffNames(score, section.changedStaves)) +
                "</p>\n<div class=\"range\">\n<div class=\"drawings\">\n"
                "<figure class=\"before\">\n<figcaption>Before</figcaption>\n" +
                Inline(drawings[i].before) +
                "\n</figure>\n<figure class=\"after\">\n<figcaption>After</figcaption>\n" +
                Inline(drawings[i].after) + "\n</figure>\n</div>\n<pre class=\"report\">" +
                Escaped(report) + "</pre>\n</div>\n</section>\n";
    }
    return page + "</body>\n</html>\n";
}

} // namespace cadentra_cli
