#include "cli/Commands.h"

#include "cli/AtomicFile.h"
#include "cli/CopyRuns.h"
#include "cli/Demo.h"
#include "cli/Engraver.h"
#include "cli/Info.h"
#include "cli/LayerReport.h"
#include "cli/musicxml/MusicXmlReader.h"
#include "cli/musicxml/MusicXmlWriter.h"
#include "cli/PluginSession.h"
#include "cli/PreviewPage.h"
#include "cli/RefusalDetails.h"
#include "cli/Selection.h"
#include "host/Builder.h"
#include "host/Host.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <ostream>
#include <sstream>
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
    "  info SCORE   staves, measures, rehearsal marks and note events per voice or measure,\n"
    "               and where a rhythm fits, to choose selections\n"
    "  copy SCORE   SET SOURCE on one staff, COPY onto staves (block by block with --repeat),\n"
    "               write the score\n"
    "  demo         the plug-in on a built-in sample score, step by step\n"
    "\n"
    "Run 'cadentra COMMAND --help' for the options of a command, 'cadentra --version' for the\n"
    "version.\n";

constexpr const char* INFO_HELP =
    "Usage: cadentra info SCORE [--measures FIRST-LAST] [--by-measure] [--match STAFF@MEASURES]\n"
    "\n"
    "Lists the staves in score order with their positions, part ids and names, the measures\n"
    "with their printed numbers, the rehearsal marks with their measures, and for each staff\n"
    "the voices present (the host's layers) with their number of note events over the whole\n"
    "score or over --measures. A note event is a note or a chord; a tied chain counts once;\n"
    "rests and grace notes do not count.\n"
    "\n"
    "Options:\n"
    "  --measures M    count (or search, with --match) only measures M: printed numbers\n"
    "                  (5-8), a rehearsal mark (B) or a range of marks (B-C)\n"
    "  --by-measure    a table instead: a row per staff and layer, a column per measure, each\n"
    "                  cell the note events of that layer in that measure (counted as COPY\n"
    "                  counts that one measure; - where the layer has nothing)\n"
    "  --match S@M     where the rhythm of layer 1 of staff S over measures M fits: every staff\n"
    "                  and layer, with every run of as many consecutive measures, of the same\n"
    "                  lengths, that has as many note events\n"
    "\n"
    "SCORE is a MusicXML file (.musicxml, .xml, or compressed .mxl).\n";

constexpr const char* COPY_HELP =
    "Usage: cadentra copy SCORE --source STAFF[@MEASURES] --to STAVES[@MEASURES]\n"
    "                     [--voices LAYERS] [--repeat] [-o OUT | --in-place] [--dry-run]\n"
    "                     [--preview PAGE.html]\n"
    "\n"
    "Records the source with SET SOURCE and runs COPY on the destination: every layer of every\n"
    "destination staff with as many note events as layer 1 of the source takes the source's\n"
    "durations, rests, ties, tuplets, articulations and fermatas, keeping its own pitches in\n"
    "order.\n"
    "\n"
    "Staves: a position in the score (3), a range of positions (2-5), a part id (P2) or name\n"
    "(\"Violin I\"), with :N for one staff of a multi-staff part (P2:1); a name that several\n"
    "parts share is refused. The source is one staff; the destination a list of staves and\n"
    "ranges (2,4,6-8), on each contiguous range of which COPY runs in turn.\n"
    "Measures: printed numbers (5-8), pickups included, or rehearsal marks: B is the passage\n"
    "from the measure holding mark B to the one before the next mark, B-C runs to the end of\n"
    "C's passage. The source takes the destination's measures when it names none, and the\n"
    "destination the source's.\n"
    "\n"
    "Options:\n"
    "  --voices L  only layers L of the destination staves (numbered as 'cadentra info' shows\n"
    "              them: 1,2 or 2-3) may take the rhythm; the others are hidden from the\n"
    "              plug-in while it runs, and never written\n"
    "  --repeat    lay the source's N measures on each block of N measures of the destination\n"
    "              in turn (the destination must hold a whole number of blocks); each block\n"
    "              takes the rhythm or not on its own\n"
    "  -o OUT      write the result to OUT (default: NAME.cadentra.musicxml, or\n"
    "              NAME.cadentra.mxl for an .mxl, next to SCORE); an OUT ending in .mxl is\n"
    "              written as an archive; -o - writes MusicXML to standard output and the\n"
    "              report to standard error\n"
    "  --in-place  replace SCORE itself (a symbolic link stays and its file is replaced)\n"
    "  --dry-run   report what would happen, and show each layer that would take the rhythm\n"
    "              before and after, measure by measure; write nothing\n"
    "  --preview P write the page P.html (with or without --dry-run): for each destination\n"
    "              range that took the rhythm, its measures of the whole score before and after\n"
    "              as engraved notation, the changed staves marked, the report beside them;\n"
    "              engraved by Verovio under Node.js (scripts/install-deps.sh installs both;\n"
    "              CADENTRA_PREVIEW_DIR names the folder of its render.mjs)\n"
    "\n"
    "Only the rewritten notes change; every other byte of the file stays as it was. Several\n"
    "runs make one report and one write.\n"
    "Exit codes: 0 done, 1 refused by the plug-in, 2 usage, file or format error or a failed\n"
    "write, 3 nothing to copy (no layer took the rhythm in any run; nothing is written).\n";

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
    InfoOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            out << INFO_HELP;
            return EXIT_DONE;
        }
        if (argument == "--measures") {
            options.measures = OptionValue(arguments, i, "a range, such as 5-8");
        } else if (argument.rfind("--measures=", 0) == 0) {
            options.measures = argument.substr(11);
        } else if (argument == "--by-measure") {
            options.byMeasure = true;
        } else if (argument == "--match") {
            options.match = OptionValue(arguments, i, "a staff and its measures, such as 1@5-8");
        } else if (argument.rfind("--match=", 0) == 0) {
            options.match = argument.substr(8);
        } else {
            TakeScore("info", argument, path);
        }
    }
    if (!path) throw UsageError{"info needs a score file"};
    Loaded loaded = Load(*path);
    std::ostringstream text;
    PrintInfo(*path, *loaded.score, *loaded.document, options, text);
    out << text.str();
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
    std::optional<std::string> path, source, destination, output, voices, preview;
    bool inPlace = false;
    bool dryRun = false;
    bool repeat = false;
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
        } else if (argument == "--voices") {
            options.voices = OptionValue(arguments, i, "layer numbers, such as 1,2");
        } else if (argument.rfind("--voices=", 0) == 0) {
            options.voices = argument.substr(9);
        } else if (argument == "--preview") {
            options.preview =
                OptionValue(arguments, i, "the file name of the page, such as copy.html");
        } else if (argument.rfind("--preview=", 0) == 0) {
            options.preview = argument.substr(10);
            if (options.preview->empty())
                throw UsageError{"--preview needs the file name of the page"};
        } else if (argument == "--repeat") {
            options.repeat = true;
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
    if (!options.destination) throw UsageError{"copy needs --to STAVES[@MEASURES]"};
    if (options.output && options.inPlace) throw UsageError{"-o and --in-place exclude each other"};
    return options;
}

/// Whether `a` and `b` name one existing file (through links, or by different paths).
bool SameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
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

/// Writes the result where `target` says. The last line of the report says where it went, or
/// that nothing was written and why (exit 2).
int WriteResult(const Target& target, const Loaded& loaded, const std::string& xml,
                std::ostream& out, std::ostream& err, std::ostream& report) {
    try {
        const std::string bytes = TargetBytes(target, loaded.file, xml);
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

/// The plan of a copy as the options name it: the source's and destination's measures each
/// default to the other's.
CopyPlan PlanCopy(const Score& score, const host::Document& document, const CopyOptions& options) {
    const Selection from = ParseSelection(score, *options.source);
    if (from.ranges.size() > 1)
        throw UsageError{"--source is one staff, found the list \"" + *options.source +
                         "\"; a list of staves is for --to"};
    const Selection to = ParseSelection(score, *options.destination);
    if (!to.measures && !from.measures)
        throw UsageError{"--to needs measures (STAVES@MEASURES, such as 2-4@5-8) where --source "
                         "names none"};
    const MeasureRange sourceMeasures = from.measures ? *from.measures : *to.measures;
    const MeasureRange destinationMeasures = to.measures ? *to.measures : *from.measures;
    std::vector<bool> chosen = options.voices ? ParseLayers(*options.voices, document.maxLayers)
                                              : std::vector<bool>(document.maxLayers, true);
    return MakeCopyPlan(score, from.staves, sourceMeasures, to.ranges, destinationMeasures,
                        options.repeat, std::move(chosen));
}

/// Refuses a page that would replace the score it shows, or the result the copy writes.
void CheckPreviewTarget(const CopyOptions& options, const Target& target) {
    const std::string page = ResolveWriteTarget(*options.preview);
    if (!options.dryRun && !target.IsStandardOutput() && page == ResolveWriteTarget(target.path))
        throw UsageError{"--preview names the file the score is written to: " + *options.preview};
    if (SameFile(page, *options.path))
        throw UsageError{"--preview names the score itself: " + *options.preview};
}

/// Writes the preview page whole, or says why it was not written.
bool WritePreviewPage(const std::string& path, const std::string& page, std::ostream& report,
                      std::ostream& err) {
    try {
        WriteFileAtomically(path, page);
    } catch (const InputError& error) {
        report << "The preview page was not written: " << error.message << "\n";
        if (&report != &err) err << "cadentra: " << error.message << "\n";
        return false;
    }
    report << "Preview page written to " << path << "\n";
    return true;
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
    // The page needs the engraver: without it nothing is done, so nothing is written.
    std::optional<Engraver> engraver;
    if (options.preview) {
        ResolveWriteTarget(*options.preview);
        engraver = FindEngraver();
    }
    Loaded loaded = Load(*options.path);
    Score& score = *loaded.score;
    host::Document& document = *loaded.document;
    const CopyPlan plan = PlanCopy(score, document, options);
    const Target target = ChooseTarget(options, loaded.file);
    if (!target.IsStandardOutput()) ResolveWriteTarget(target.path);
    if (options.preview) CheckPreviewTarget(options, target);
    std::ostream& report = target.IsStandardOutput() ? err : out;

    // COPY changes nothing outside its destination: only those cells are kept to compare with.
    const MeasureRange& measures = plan.destinationMeasures;
    RememberCells(score, document, plan.destinations.front().first, plan.destinations.back().last,
                  measures.first, measures.last);
    const PlanOutcome outcome = RunCopyPlan(score, document, plan, options.dryRun);
    for (const PluginAlert& alert : outcome.alerts)
        err << alert.caption << ": " << alert.text << "\n";
    if (outcome.refused) {
        if (outcome.alerts.empty())
            err << "cadentra: the plug-in did not run COPY\n";
        else
            err << ExplainRefusal(score, document, outcome.refusedRun, outcome.alerts.back().text)
                << "\n";
        return EXIT_REFUSED;
    }

    const std::vector<host::FrameKey> changed = ChangedCells(score, document);
    ReportCopyPlan(score, plan, outcome, report);
    if (changed.empty()) {
        report << "Nothing to copy: no destination layer took the rhythm, so nothing was "
                  "written.\n";
        return EXIT_NOTHING_TO_COPY;
    }
    // The page is engraved before anything is written: where it cannot be, nothing is.
    std::string xml;
    std::optional<std::string> page;
    try {
        if (!options.dryRun || engraver) xml = WriteScore(score, document, changed);
        if (engraver)
            page = MakePreviewPage(*engraver, score, plan, outcome,
                                   PreviewInput{*options.path, loaded.file.bytes, xml});
    } catch (const InputError& error) {
        report << "Nothing written: " << error.message << "\n";
        if (&report != &err) err << "cadentra: " << error.message << "\n";
        return EXIT_BAD_INPUT;
    }
    if (options.dryRun) ReportPreview(score, plan, outcome, report);
    const int written =
        options.dryRun ? EXIT_DONE : WriteResult(target, loaded, xml, out, err, report);
    if (page && written == EXIT_DONE && !WritePreviewPage(*options.preview, *page, report, err))
        return EXIT_BAD_INPUT;
    if (options.dryRun)
        report << (page ? "Dry run: nothing else written.\n" : "Dry run: nothing written.\n");
    return written;
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
