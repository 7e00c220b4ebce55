#include "cli/Commands.h"

#include "cli/AtomicFile.h"
#include "cli/Demo.h"
#include "cli/LayerReport.h"
#include "cli/musicxml/MusicXmlReader.h"
#include "cli/musicxml/MusicXmlWriter.h"
#include "cli/PluginSession.h"
#include "cli/RefusalDetails.h"
#include "cli/Selection.h"
#include "host/Builder.h"
#include "host/Host.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <ostream>
#include <set>
#include <sys/stat.h>

namespace cadentra_cli {

const char* const CADENTRA_VERSION_TEXT = CADENTRA_VERSION;

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
    "Run 'cadentra COMMAND --help' for the options of a command, 'cadentra --version' for the\n"
    "version.\n";

constexpr const char* INFO_HELP =
    "Usage: cadentra info SCORE [--measures FIRST-LAST]\n"
    "\n"
    "Lists the staves in score order with their positions, part ids and names, the measures\n"
    "with their printed numbers, and for each staff the voices present (the host's layers) with\n"
    "their number of note events over the whole score or over --measures. A note event is a\n"
    "note or a chord; a tied chain counts once; rests and grace notes do not count.\n"
    "\n"
    "SCORE is a MusicXML file (.musicxml, .xml, or compressed .mxl).\n";

constexpr const char* COPY_HELP =
    "Usage: cadentra copy SCORE --source STAFF[@MEASURES] --to STAVES@MEASURES\n"
    "                     [-o OUT | --in-place] [--dry-run]\n"
    "\n"
    "Records the source with SET SOURCE and runs COPY on the destination: every layer of every\n"
    "destination staff with as many note events as layer 1 of the source takes the source's\n"
    "durations, rests, ties, tuplets, articulations and fermatas, keeping its own pitches in\n"
    "order.\n"
    "\n"
    "Staves: a position in the score (3), a range of positions (2-5), a part id (P2) or name\n"
    "(\"Violin I\"), with :N for one staff of a multi-staff part (P2:1); a name that several\n"
    "parts share is refused. The source is one staff; the destination a contiguous range.\n"
    "Measures: printed numbers (5-8), pickups included; the source takes the destination's\n"
    "measures when it names none.\n"
    "\n"
    "Options:\n"
    "  -o OUT      write the result to OUT (default: NAME.cadentra.musicxml, or\n"
    "              NAME.cadentra.mxl for an .mxl, next to SCORE); an OUT ending in .mxl is\n"
    "              written as an archive; -o - writes MusicXML to standard output and the\n"
    "              report to standard error\n"
    "  --in-place  replace SCORE itself (a symbolic link stays and its file is replaced)\n"
    "  --dry-run   report what would happen, write nothing\n"
    "\n"
    "Only the rewritten notes change; every other byte of the file stays as it was.\n"
    "Exit codes: 0 done, 1 refused by the plug-in, 2 usage, file or format error or a failed\n"
    "write, 3 nothing to copy (no layer took the rhythm; nothing is written).\n";

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
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw InputError{path + ": is a directory, not a score file"};
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

/// The value that follows the option arguments[i] (and steps over it); `what` says what the
/// option takes. A value that is itself an option is refused: it is far more likely a
/// forgotten value than a file or staff whose name begins with '-'. Only "-" alone passes where
/// `dashIsValue` allows it (standard output).
std::string OptionValue(const std::vector<std::string>& arguments, size_t& i,
                        const std::string& what, bool dashIsValue = false) {
    const std::string& option = arguments[i];
    if (i + 1 >= arguments.size() || arguments[i + 1].empty())
        throw UsageError{option + " needs " + what};
    const std::string& value = arguments[i + 1];
    if (value[0] == '-' && !(dashIsValue && value == "-"))
        throw UsageError{
            option + " needs " + what + ", found the option " + value +
            (dashIsValue ? " (name a file that begins with '-' as ./" + value + ")" : "")};
    ++i;
    return value;
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
            measures = OptionValue(arguments, i, "a range, such as 5-8");
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
    out << "\nNote events per voice, " << NameMeasures(score, range) << ":\n";
    for (size_t s = 0; s < score.staves.size(); ++s) {
        const StaffInfo& staff = score.staves[s];
        out << "  " << (s + 1) << ":";
        if (staff.voices.empty()) out << " no notes";
        for (size_t v = 0; v < staff.voices.size(); ++v) {
            const int events = CountLayerEvents(*loaded.document, static_cast<int>(s) + 1,
                                                static_cast<int>(v), range.first, range.last);
            out << (v ? "," : "") << " " << VoiceName(staff.voices[v]) << " (layer " << (v + 1)
                << ") " << Plural(events, "event", "events");
        }
        out << "\n";
    }
    return EXIT_DONE;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

/// NAME.cadentra.EXT beside the input, of the input's kind: `.mxl` for an archive, otherwise
/// the input's own `.xml` or `.musicxml`.
std::string DefaultOutput(const std::string& input, bool compressed) {
    const size_t slash = input.rfind('/');
    const size_t dot = input.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash + 1);
    const std::string stem = hasExtension ? input.substr(0, dot) : input;
    const std::string extension = hasExtension ? Lower(input.substr(dot)) : std::string();
    if (compressed) return stem + ".cadentra.mxl";
    return stem + ".cadentra" + (extension == ".xml" ? ".xml" : ".musicxml");
}

struct CopyOptions {
    std::optional<std::string> path, source, destination, output;
    bool inPlace = false;
    bool dryRun = false;
    bool help = false;
};

CopyOptions ParseCopyOptions(const std::vector<std::string>& arguments) {
    CopyOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return options;
        } else if (argument == "--source") {
            options.source = OptionValue(arguments, i, "a staff, such as 1@5-8");
        } else if (argument.rfind("--source=", 0) == 0) {
            options.source = argument.substr(9);
        } else if (argument == "--to") {
            options.destination = OptionValue(arguments, i, "staves and measures, such as 2-4@5-8");
        } else if (argument.rfind("--to=", 0) == 0) {
            options.destination = argument.substr(5);
        } else if (argument == "-o" || argument == "--output") {
            options.output =
                OptionValue(arguments, i, "a file name (or - for standard output)", true);
        } else if (argument == "--in-place") {
            options.inPlace = true;
        } else if (argument == "--dry-run") {
            options.dryRun = true;
        } else {
            TakeScore("copy", argument, options.path);
        }
    }
    if (!options.path) throw UsageError{"copy needs a score file"};
    if (!options.source) throw UsageError{"copy needs --source STAFF[@MEASURES]"};
    if (!options.destination) throw UsageError{"copy needs --to STAVES@MEASURES"};
    if (options.output && options.inPlace) throw UsageError{"-o and --in-place exclude each other"};
    return options;
}

/// Where `copy` writes, and in which form.
struct Target {
    std::string path;     // empty: standard output
    bool archive = false; // an .mxl archive rather than MusicXML text

    bool IsStandardOutput() const { return path.empty(); }
};

/// --in-place and the default output keep the input's kind; -o takes the kind its name says.
/// Standard output gets MusicXML text.
Target ChooseTarget(const CopyOptions& options, const LoadedFile& file) {
    if (options.inPlace) return Target{*options.path, file.compressed};
    if (options.output && *options.output == "-") return Target{};
    if (options.output) return Target{*options.output, EndsWith(Lower(*options.output), ".mxl")};
    return Target{DefaultOutput(*options.path, file.compressed), file.compressed};
}

/// An .mxl archive holding `xml` as its one score.
std::string NewArchive(const std::string& xml) {
    static constexpr const char* MEMBER = "score.musicxml";
    const std::string container =
        std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<container>\n  <rootfiles>\n    <rootfile full-path=\"") +
        MEMBER +
        "\" media-type=\"application/vnd.recordare.musicxml+xml\"/>\n  </rootfiles>\n"
        "</container>\n";
    return ReplaceArchiveMember(
        ReplaceArchiveMember(std::string(), "META-INF/container.xml", container), MEMBER, xml);
}

std::string TargetBytes(const Target& target, const LoadedFile& file, std::string xml) {
    if (!target.archive) return xml;
    if (file.compressed) return ReplaceArchiveMember(file.archive, file.member, xml);
    return NewArchive(xml);
}

/// The destination layers as they stand before COPY, for the report: every voice of every
/// destination staff (at least layer 1).
std::vector<LayerBefore> SurveyDestination(const Score& score, const host::Document& document,
                                           const CopyRequest& request) {
    std::vector<LayerBefore> before;
    const MeasureRange& measures = request.destinationMeasures;
    for (int staff = request.destinationStaves.first; staff <= request.destinationStaves.last;
         ++staff) {
        const int layers = std::max<int>(
            1, static_cast<int>(score.staves[static_cast<size_t>(staff - 1)].voices.size()));
        for (const LayerBefore& layer :
             SurveyLayers(document, staff, staff, measures.first, measures.last, layers))
            before.push_back(layer);
    }
    return before;
}

/// The report of a copy that ran: the source, then what each destination layer got and why.
void ReportLayers(const Score& score, const CopyRequest& request, int sourceEvents,
                  const std::vector<LayerBefore>& before,
                  const std::set<std::pair<int, int>>& changedLayers, std::ostream& report) {
    const int sourceStaff = request.sourceStaves.first;
    report << "Source: " << DescribeStaff(score, sourceStaff) << ", "
           << NameMeasures(score, request.sourceMeasures)
           << ", layer 1: " << Plural(sourceEvents, "note event", "note events") << "\n";
    for (const LayerBefore& layer : before) {
        const StaffInfo& staff = score.staves[static_cast<size_t>(layer.staff - 1)];
        const std::string voice = static_cast<size_t>(layer.layer) < staff.voices.size()
                                      ? VoiceName(staff.voices[static_cast<size_t>(layer.layer)])
                                      : "no voice";
        const bool isSource = layer.staff == sourceStaff && layer.layer == 0 &&
                              request.destinationMeasures.first == request.sourceMeasures.first;
        const bool changed = changedLayers.count({layer.staff, layer.layer}) > 0;
        report << "  " << DescribeStaff(score, layer.staff) << ", layer " << (layer.layer + 1)
               << " (" << voice << "): " << DescribeOutcome(layer, changed, isSource, sourceEvents)
               << "\n";
    }
}

/// Writes the result where `target` says. The last line of the report says where it went, or
/// that nothing was written and why (exit 2).
int WriteResult(const Target& target, const Loaded& loaded,
                const std::vector<host::FrameKey>& changed, std::ostream& out, std::ostream& err,
                std::ostream& report) {
    try {
        const std::string bytes =
            TargetBytes(target, loaded.file, WriteScore(*loaded.score, *loaded.document, changed));
        if (target.IsStandardOutput()) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.flush();
            if (!out) {
                report << "The score could not be written to standard output in full.\n";
                return EXIT_BAD_INPUT;
            }
            report << "Written to standard output\n";
            return EXIT_DONE;
        }
        WriteFileAtomically(target.path, bytes);
    } catch (const InputError& error) {
        report << "Nothing written: " << error.message << "\n";
        if (&report != &err) err << "cadentra: " << error.message << "\n";
        return EXIT_BAD_INPUT;
    }
    report << "Written to " << target.path << "\n";
    return EXIT_DONE;
}

int Copy(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const CopyOptions options = ParseCopyOptions(arguments);
    if (options.help) {
        out << COPY_HELP;
        return EXIT_DONE;
    }
    // A folder, device or pipe where the result would go is refused before anything is done
    // (before a pipe given as the score to replace is read, too).
    if (options.inPlace) ResolveWriteTarget(*options.path);
    if (options.output && *options.output != "-") ResolveWriteTarget(*options.output);
    Loaded loaded = Load(*options.path);
    Score& score = *loaded.score;
    host::Document& document = *loaded.document;
    const Selection from = ParseSelection(score, *options.source);
    const Selection to = ParseSelection(score, *options.destination);
    if (!to.measures) throw UsageError{"--to needs measures: STAVES@MEASURES, such as 2-4@5-8"};
    const CopyRequest request{from.staves, from.measures ? *from.measures : *to.measures, to.staves,
                              *to.measures};
    const Target target = ChooseTarget(options, loaded.file);
    if (!target.IsStandardOutput()) ResolveWriteTarget(target.path);
    std::ostream& report = target.IsStandardOutput() ? err : out;

    const MeasureRange& sourceMeasures = request.sourceMeasures;
    const int sourceEvents = CountLayerEvents(document, request.sourceStaves.first, 0,
                                              sourceMeasures.first, sourceMeasures.last);
    const std::vector<LayerBefore> before = SurveyDestination(score, document, request);
    // COPY changes nothing outside its destination: only those cells are kept to compare with.
    const MeasureRange& measures = request.destinationMeasures;
    RememberCells(score, document, to.staves.first, to.staves.last, measures.first, measures.last);
    const CopyOutcome outcome = RunRhythmCopy(
        document,
        host::Region(
            static_cast<twobyte>(from.staves.first), static_cast<twobyte>(from.staves.last),
            static_cast<twobyte>(sourceMeasures.first), static_cast<twobyte>(sourceMeasures.last)),
        host::Region(static_cast<twobyte>(to.staves.first), static_cast<twobyte>(to.staves.last),
                     static_cast<twobyte>(measures.first), static_cast<twobyte>(measures.last)));
    for (const PluginAlert& alert : outcome.alerts)
        err << alert.caption << ": " << alert.text << "\n";
    if (!outcome.copied) {
        if (outcome.alerts.empty())
            err << "cadentra: the plug-in did not run COPY\n";
        else
            err << ExplainRefusal(score, document, request, outcome.alerts.back().text) << "\n";
        return EXIT_REFUSED;
    }

    const std::vector<host::FrameKey> changed = ChangedCells(score, document);
    std::set<std::pair<int, int>> changedLayers;
    for (const host::FrameKey& key : changed)
        changedLayers.emplace(key.staff, key.layer);
    ReportLayers(score, request, sourceEvents, before, changedLayers, report);
    if (changed.empty()) {
        report << "Nothing to copy: no destination layer took the rhythm, so nothing was "
                  "written.\n";
        return EXIT_NOTHING_TO_COPY;
    }
    if (options.dryRun) {
        report << "Dry run: nothing written.\n";
        return EXIT_DONE;
    }
    return WriteResult(target, loaded, changed, out, err, report);
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
        if (command == "--version") {
            if (!rest.empty()) throw UsageError{"--version takes no arguments"};
            out << "cadentra " << CADENTRA_VERSION_TEXT << "\n";
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
