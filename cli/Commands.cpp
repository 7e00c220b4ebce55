#include "cli/Commands.h"

#include "cli/AtomicFile.h"
#include "cli/Demo.h"
#include "cli/LayerReport.h"
#include "cli/musicxml/MusicXmlReader.h"
#include "cli/musicxml/MusicXmlWriter.h"
#include "cli/PluginSession.h"
#include "cli/Selection.h"
#include "host/Builder.h"
#include "host/Host.h"

#include <algorithm>
#include <map>
#include <optional>
#include <ostream>
#include <set>

namespace cadentra_cli {
namespace {

constexpr const char* MAIN_HELP =
    "Usage: cadentra COMMAND [OPTIONS]\n"
    "\n"
    "Lays the rhythm of one staff onto other staves of a MusicXML score with the ZQ Cadentra\n"
    "plug-in, which runs unchanged against a stand-in host document made from the file.\n"
    "\n"
    "Commands:\n"
    "  info SCORE   staves, measures and note events per voice, to choose selections\n"
    "  copy SCORE   SET SOURCE on one staff, COPY onto a range of staves, write the score\n"
    "  demo         the plug-in on a built-in sample score, step by step\n"
    "\n"
    "Run 'cadentra COMMAND --help' for the options of a command.\n";

constexpr const char* INFO_HELP =
    "Usage: cadentra info SCORE [--measures FIRST-LAST]\n"
    "\n"
    "Lists the staves in score order with their positions, part ids and names, the measures\n"
    "with their printed numbers, and for each staff the voices present (the host's layers) with\n"
    "their number of note events (a tied chain counts once, rests do not count) over the whole\n"
    "score or over --measures.\n"
    "\n"
    "SCORE is a MusicXML file (.musicxml, .xml, or compressed .mxl).\n";

constexpr const char* COPY_HELP =
    "Usage: cadentra copy SCORE --source STAFF[@MEASURES] --to STAVES@MEASURES\n"
    "                     [-o OUT | --in-place] [--dry-run]\n"
    "\n"
    "Records the source with SET SOURCE and runs COPY on the destination: every layer of every\n"
    "destination staff with as many note events as layer 1 of the source takes the source's\n"
    "durations, rests, ties, tuplets and articulations, keeping its own pitches in order.\n"
    "\n"
    "Staves: a position in the score (3), a range of positions (2-5), a part id (P2) or name\n"
    "(\"Violin I\"), with :N for one staff of a multi-staff part (P2:1). The source is one staff;\n"
    "the destination a contiguous range. Measures: printed numbers (5-8), pickups included; the\n"
    "source takes the destination's measures when it names none.\n"
    "\n"
    "Options:\n"
    "  -o OUT      write the result to OUT (default: NAME.cadentra.musicxml next to SCORE)\n"
    "  --in-place  replace SCORE itself\n"
    "  --dry-run   report what would happen, write nothing\n"
    "\n"
    "Only the rewritten notes change; every other byte of the file stays as it was.\n"
    "Exit codes: 0 done, 1 refused by the plug-in, 2 usage, file or format error.\n";

constexpr const char* DEMO_HELP =
    "Usage: cadentra demo\n"
    "\n"
    "Runs the plug-in through its six entry points on a built-in sample score: lists its menus,\n"
    "records staff 1 with SET SOURCE, runs COPY on staves 2-5, prints the score before and after\n"
    "and tells which layers took the rhythm and why the others were left alone.\n";

struct Loaded {
    LoadedFile file;
    std::unique_ptr<Score> score;
    host::Document* document = nullptr;
};

Loaded Load(const std::string& path) {
    Loaded loaded;
    loaded.file = ReadScoreFile(path);
    host::Host& host = host::Host::Instance();
    host.Reset();
    loaded.document = &host.NewDocument(path);
    loaded.score = ReadScore(loaded.file.bytes, path, *loaded.document);
    return loaded;
}

/// Printed numbers of all measures, consecutive integers folded into ranges.
std::string PrintedNumbers(const Score& score) {
    std::string text;
    size_t i = 0;
    auto integer = [&](size_t k) -> std::optional<long> {
        const std::string& n = score.measures[k].number;
        if (n.empty() || n.find_first_not_of("0123456789") != std::string::npos || n.size() > 9)
            return std::nullopt;
        return std::stol(n);
    };
    while (i < score.measures.size()) {
        size_t j = i;
        if (integer(i))
            while (j + 1 < score.measures.size() && integer(j + 1) &&
                   *integer(j + 1) == *integer(j) + 1 && !score.measures[j + 1].implicit)
                ++j;
        if (!text.empty()) text += ", ";
        text += score.measures[i].number.empty() ? "(unnumbered)" : score.measures[i].number;
        if (j > i) text += "-" + score.measures[j].number;
        if (score.measures[i].implicit && j == i) text += " (implicit)";
        i = j + 1;
    }
    return text;
}

/// An argument of `command` that is none of its options: the one score file it works on.
void TakeScore(const std::string& command, const std::string& argument,
               std::optional<std::string>& path) {
    if (!argument.empty() && argument[0] == '-')
        throw UsageError{command + ": unknown option " + argument};
    if (path) throw UsageError{command + " takes one score, found a second: " + argument};
    path = argument;
}

std::string VoiceName(const std::string& voice) {
    return voice.empty() ? "(no voice element)" : "voice " + voice;
}

int Info(const std::vector<std::string>& arguments, std::ostream& out) {
    std::optional<std::string> path;
    std::optional<std::string> measures;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            out << INFO_HELP;
            return EXIT_DONE;
        }
        if (argument == "--measures") {
            if (i + 1 >= arguments.size())
                throw UsageError{"--measures needs a range, such as 5-8"};
            measures = arguments[++i];
        } else if (argument.rfind("--measures=", 0) == 0) {
            measures = argument.substr(11);
        } else {
            TakeScore("info", argument, path);
        }
    }
    if (!path) throw UsageError{"info needs a score file"};
    Loaded loaded = Load(*path);
    const Score& score = *loaded.score;
    MeasureRange range{1, static_cast<int>(score.measures.size())};
    if (measures) range = ParseMeasures(score, *measures);

    out << *path << "\n\n";
    out << "Staves (position, part, name):\n";
    for (size_t s = 0; s < score.staves.size(); ++s) {
        const StaffInfo& staff = score.staves[s];
        const Part& part = score.parts[static_cast<size_t>(staff.part)];
        std::string id = part.id;
        if (part.staffCount > 1) id.append(":").append(std::to_string(staff.partStaff));
        out << "  " << (s + 1) << "  " << id << "  "
            << (part.name.empty() ? "(no name)" : "\"" + part.name + "\"") << "\n";
    }
    out << "\nMeasures: " << score.measures.size() << ", printed numbers " << PrintedNumbers(score)
        << "\n";
    out << "\nNote events per voice, measures " << DescribeMeasures(score, range) << ":\n";
    for (size_t s = 0; s < score.staves.size(); ++s) {
        const StaffInfo& staff = score.staves[s];
        out << "  " << (s + 1) << ":";
        if (staff.voices.empty()) out << " no notes";
        for (size_t v = 0; v < staff.voices.size(); ++v) {
            const int events =
                CountEvents(LayerEntries(*loaded.document, static_cast<int>(s) + 1,
                                         static_cast<int>(v), range.first, range.last));
            out << (v ? "," : "") << " " << VoiceName(staff.voices[v]) << " (layer " << (v + 1)
                << ") " << Plural(events, "event", "events");
        }
        out << "\n";
    }
    return EXIT_DONE;
}

std::string DefaultOutput(const std::string& input) {
    const size_t slash = input.rfind('/');
    const size_t dot = input.rfind('.');
    const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                 ? input.substr(0, dot)
                                 : input;
    return stem + ".cadentra.musicxml";
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

int Copy(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::optional<std::string> path, source, destination, output;
    bool inPlace = false;
    bool dryRun = false;
    auto value = [&](size_t& i, const std::string& option) {
        if (i + 1 >= arguments.size()) throw UsageError{option + " needs a value"};
        return arguments[++i];
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            out << COPY_HELP;
            return EXIT_DONE;
        } else if (argument == "--source") {
            source = value(i, argument);
        } else if (argument.rfind("--source=", 0) == 0) {
            source = argument.substr(9);
        } else if (argument == "--to") {
            destination = value(i, argument);
        } else if (argument.rfind("--to=", 0) == 0) {
            destination = argument.substr(5);
        } else if (argument == "-o" || argument == "--output") {
            output = value(i, argument);
        } else if (argument == "--in-place") {
            inPlace = true;
        } else if (argument == "--dry-run") {
            dryRun = true;
        } else {
            TakeScore("copy", argument, path);
        }
    }
    if (!path) throw UsageError{"copy needs a score file"};
    if (!source) throw UsageError{"copy needs --source STAFF[@MEASURES]"};
    if (!destination) throw UsageError{"copy needs --to STAVES@MEASURES"};
    if (output && inPlace) throw UsageError{"-o and --in-place exclude each other"};

    Loaded loaded = Load(*path);
    Score& score = *loaded.score;
    host::Document& document = *loaded.document;
    const Selection from = ParseSelection(score, *source);
    const Selection to = ParseSelection(score, *destination);
    if (!to.measures) throw UsageError{"--to needs measures: STAVES@MEASURES, such as 2-4@5-8"};
    const MeasureRange sourceMeasures = from.measures ? *from.measures : *to.measures;

    // What each destination layer holds before the copy, for the report.
    const int sourceStaff = from.staves.first;
    const int sourceEvents = CountEvents(
        LayerEntries(document, sourceStaff, 0, sourceMeasures.first, sourceMeasures.last));

    const EREGION sourceRegion = host::Region(
        static_cast<twobyte>(from.staves.first), static_cast<twobyte>(from.staves.last),
        static_cast<twobyte>(sourceMeasures.first), static_cast<twobyte>(sourceMeasures.last));
    const EREGION destinationRegion = host::Region(
        static_cast<twobyte>(to.staves.first), static_cast<twobyte>(to.staves.last),
        static_cast<twobyte>(to.measures->first), static_cast<twobyte>(to.measures->last));
    std::vector<LayerBefore> before;
    for (int staff = to.staves.first; staff <= to.staves.last; ++staff) {
        const int layers = std::max<int>(
            1, static_cast<int>(score.staves[static_cast<size_t>(staff - 1)].voices.size()));
        for (const LayerBefore& layer : SurveyLayers(document, staff, staff, to.measures->first,
                                                     to.measures->last, layers))
            before.push_back(layer);
    }

    // COPY changes nothing outside its destination: only those cells are kept to compare with.
    RememberCells(score, document, to.staves.first, to.staves.last, to.measures->first,
                  to.measures->last);
    const CopyOutcome outcome = RunRhythmCopy(document, sourceRegion, destinationRegion);
    for (const PluginAlert& alert : outcome.alerts)
        err << alert.caption << ": " << alert.text << "\n";
    if (!outcome.copied) {
        if (outcome.alerts.empty()) err << "cadentra: the plug-in did not run COPY\n";
        return EXIT_REFUSED;
    }

    const std::vector<host::FrameKey> changed = ChangedCells(score, document);
    std::set<std::pair<int, int>> changedLayers;
    for (const host::FrameKey& key : changed)
        changedLayers.emplace(key.staff, key.layer);

    out << "Source: " << DescribeStaff(score, sourceStaff) << ", measures "
        << DescribeMeasures(score, sourceMeasures)
        << ", layer 1: " << Plural(sourceEvents, "note event", "note events") << "\n";
    int copied = 0;
    for (const LayerBefore& layer : before) {
        const StaffInfo& staff = score.staves[static_cast<size_t>(layer.staff - 1)];
        const std::string voice = static_cast<size_t>(layer.layer) < staff.voices.size()
                                      ? VoiceName(staff.voices[static_cast<size_t>(layer.layer)])
                                      : "no voice";
        out << "  " << DescribeStaff(score, layer.staff) << ", layer " << (layer.layer + 1) << " ("
            << voice << "): ";
        const bool isSource = layer.staff == sourceStaff && layer.layer == 0 &&
                              to.measures->first == sourceMeasures.first;
        const bool wasChanged = changedLayers.count({layer.staff, layer.layer}) > 0;
        if (wasChanged) ++copied;
        out << DescribeOutcome(layer, wasChanged, isSource, sourceEvents) << "\n";
    }

    if (dryRun) {
        out << "Dry run: nothing written.\n";
        return EXIT_DONE;
    }
    const std::string target = inPlace ? *path : output ? *output : DefaultOutput(*path);
    std::string xml = changed.empty() ? loaded.file.bytes : WriteScore(score, document, changed);
    std::string bytes;
    if (loaded.file.compressed && EndsWith(target, ".mxl"))
        bytes = changed.empty()
                    ? loaded.file.archive
                    : ReplaceArchiveMember(loaded.file.archive, loaded.file.member, xml);
    else
        bytes = std::move(xml);
    WriteFileAtomically(target, bytes);
    out << (copied ? "Written to " : "Nothing copied; written unchanged to ") << target << "\n";
    (void)err;
    return EXIT_DONE;
}

} // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
    if (arguments.empty()) {
        err << MAIN_HELP;
        return EXIT_BAD_INPUT;
    }
    const std::string& command = arguments[0];
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    try {
        if (command == "--help" || command == "-h" || command == "help") {
            out << MAIN_HELP;
            return EXIT_DONE;
        }
        if (command == "info") return Info(rest, out);
        if (command == "copy") return Copy(rest, out, err);
        if (command == "demo") {
            if (!rest.empty() && (rest[0] == "--help" || rest[0] == "-h")) {
                out << DEMO_HELP;
                return EXIT_DONE;
            }
            if (!rest.empty()) throw UsageError{"demo takes no arguments"};
            return RunDemo(out) == 0 ? EXIT_DONE : EXIT_REFUSED;
        }
        throw UsageError{"unknown command \"" + command + "\""};
    } catch (const UsageError& error) {
        err << "cadentra: " << error.message << "\n";
        const bool known = command == "info" || command == "copy" || command == "demo";
        err << "Run 'cadentra " << (known ? command + " " : std::string())
            << "--help' for usage.\n";
        return EXIT_BAD_INPUT;
    } catch (const InputError& error) {
        err << "cadentra: " << error.message << "\n";
        return EXIT_BAD_INPUT;
    }
}

} // namespace cadentra_cli
