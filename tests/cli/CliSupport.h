// Helpers of the command-line program's tests: scores written inline, temporary folders, schema
// checks with xmllint, and a way to make the host rewrite cells without the plug-in.
#pragma once

#include "cli/musicxml/MusicXmlReader.h"
#include "cli/musicxml/MusicXmlWriter.h"
#include "host/Document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace cli_test {

/// Succeeds when `text` holds `part`; a failure shows both.
inline ::testing::AssertionResult Holds(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << part << "\" is not in:\n" << text;
}

/// A partwise MusicXML 4.0 document with one part per body: `parts` holds the <part-list>
/// entries and `body` the <part> elements.
std::string Partwise(const std::string& partList, const std::string& parts);
/// One part "P1" named `name` whose measures are `measures`.
std::string OnePart(const std::string& measures, const std::string& name = "Flute");

/// What one command line of `cadentra` answered: its exit code and what it wrote.
struct Outcome {
    int code;
    std::string out;
    std::string err;
};
/// Runs `cadentra` on `arguments` (without the program name) in this process.
Outcome Cadentra(const std::vector<std::string>& arguments);

/// Runs `cadentra` on a command line it must refuse as a usage, file or format error (exit code
/// 2, nothing on standard output); answers the first line of its message.
std::string UsageRefusal(const std::vector<std::string>& arguments);

/// MusicXML <note> elements of one voice, from a short notation: entries separated by commas,
/// each "r" or pitches joined by "+" (C4, F#5, Bb3), then a duration (w h q e s, "." for a dotted
/// one), "~" to tie every note to the next entry, "!name" for an articulation (staccato, accent,
/// ...). Durations count 4 divisions to the quarter (see Attributes). `staff` 0 writes no <staff>.
/// Example: Notes("C4 q, D4+F4 q~, D4+F4 q, r q").
std::string Notes(const std::string& music, int voice = 1, int staff = 0);
/// The <attributes> of a first measure: 4 divisions to the quarter, a time of `beats`/4.
std::string Attributes(int beats = 4);
/// A <measure> with its number and contents.
std::string MeasureXml(const std::string& number, const std::string& contents);
/// A <part> whose measures, numbered from 1, hold `measures`; the first gets Attributes().
std::string PartXml(const std::string& id, const std::vector<std::string>& measures);
/// <score-part> entries of (id, name).
std::string PartList(const std::vector<std::pair<std::string, std::string>>& parts);
/// A <direction> holding rehearsal mark `text`.
std::string RehearsalMark(const std::string& text);

/// Reads `xml` into a fresh document of the reset stand-in host.
struct ReadResult {
    std::unique_ptr<cadentra_cli::Score> score;
    host::Document* document = nullptr;
};
ReadResult Read(const std::string& xml, const std::string& name = "test.musicxml");
/// Reads `xml` into a new document of the host, keeping the documents it has (the new one
/// becomes current).
ReadResult ReadAnother(const std::string& xml, const std::string& name = "test.musicxml");

/// A folder that is removed with its contents when the object goes.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    /// The names of everything in the folder (hidden files too), sorted.
    std::vector<std::string> Names() const;

private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

/// Writes an .mxl archive holding `xml` as `member`, named by META-INF/container.xml.
void WriteArchive(const std::string& path, const std::string& member, const std::string& xml);

/// The shared folder (corpus, schema); empty when it is absent.
std::string SharedFolder();
/// The files of `folder` that may hold scores (.xml, .musicxml, .mxl), in order of name.
std::vector<std::string> ScoresIn(const std::string& folder);
/// Whether xmllint and the MusicXML 4.0 schema are available.
bool CanValidate();
/// True when `path` validates against the MusicXML 4.0 schema; the errors go to `errors`.
bool IsSchemaValid(const std::string& path, std::string* errors = nullptr);

/// Gives every entry of the frames of `staff` over measures first..last (all layers) a new entry
/// number, moving its detail records along, as the host does when music is replaced by an equal
/// copy: the writer must then write those cells anew.
void RenumberEntries(host::Document& document, int staff, int first, int last);

} // namespace cli_test
