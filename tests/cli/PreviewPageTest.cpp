// `copy --preview PAGE.html`: the page of engraved measures before and after each range that took
// the rhythm, drawn by the real engraver (Verovio under Node.js), read back as XML and shown in a
// real browser; and what happens where the engraver is missing or fails.
#include "CliSupport.h"

#include "cli/ChildProcess.h"
#include "cli/Commands.h"
#include "cli/Engraver.h"
#include "cli/musicxml/SourceText.h"

#include <gtest/gtest.h>
#include <png.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

using namespace cadentra_cli;
using cli_test::Cadentra;
using cli_test::Holds;
using cli_test::Notes;
using cli_test::Outcome;

namespace {

/// Two measures of 4/4. The flute's measure 1, the source, has two note events in three notes
/// (a tied pair, then a half); the oboe and the horn have two events in each measure, the clarinet
/// one. Laid on staves 2 and 4 block by block, it turns every two-note measure of theirs into three
/// notes.
std::string QuartetScore() {
    return cli_test::Partwise(
        cli_test::PartList({{"P1", "Flute"}, {"P2", "Oboe"}, {"P3", "Clarinet"}, {"P4", "Horn"}}),
        cli_test::PartXml("P1", {Notes("C5 q~, C5 q, D5 h"), Notes("E5 h, F5 h")}) +
            cli_test::PartXml("P2", {Notes("E4 h, F4 h"), Notes("G4 h., A4 q")}) +
            cli_test::PartXml("P3", {Notes("C4 w"), Notes("D4 w")}) +
            cli_test::PartXml("P4", {Notes("G3 h, A3 h"), Notes("B3 q, C4 h.")}));
}

/// Sets an environment variable (or unsets it, for none) while it lives.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedVariable() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

/// The elements under `root` (itself included) of element name `element` whose class attribute
/// holds the class `name`.
std::vector<pugi::xml_node> WithClass(pugi::xml_node root, const std::string& element,
                                      const std::string& name) {
    std::vector<pugi::xml_node> found;
    for (const pugi::xpath_node& node : root.select_nodes(
             ("descendant-or-self::" + element +
              "[contains(concat(' ', normalize-space(@class), ' '), ' " + name + " ')]")
                 .c_str()))
        found.push_back(node.node());
    return found;
}

/// The notes (<note> elements that are not rests, chord and grace notes included) of measure
/// `measure` (a position, from 1) of every part of a partwise MusicXML document.
int NotesInMeasure(const std::string& xml, int measure) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(xml.c_str()));
    int count = 0;
    for (pugi::xml_node part : document.child("score-partwise").children("part")) {
        int position = 0;
        for (pugi::xml_node bar : part.children("measure"))
            if (++position == measure)
                for (pugi::xml_node note : bar.children("note"))
                    if (!note.child("rest")) ++count;
    }
    return count;
}

/// The engraver, or the reason the test cannot run.
std::optional<std::string> MissingEngraver() {
    try {
        FindEngraver();
        return std::nullopt;
    } catch (const InputError& error) {
        return error.message;
    }
}

class PreviewPage : public ::testing::Test {
protected:
    PreviewPage()
        : score_(folder_.File("quartet.musicxml")), out_(folder_.File("out.musicxml")),
          page_(folder_.File("page.html")) {
        cli_test::WriteFile(score_, QuartetScore());
    }

    std::vector<std::string> CopyArguments(std::vector<std::string> extra) const {
        std::vector<std::string> arguments{"copy", score_,    "--source", "1@1",
                                           "--to", "2,4@1-2", "--repeat"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }

    cli_test::TemporaryFolder folder_;
    std::string score_;
    std::string out_;
    std::string page_;
};

} // namespace

TEST_F(PreviewPage, DrawsEachRangeBeforeAndAfterWithTheNotesOfItsMeasures) {
    if (auto missing = MissingEngraver()) GTEST_SKIP() << "no engraver: " << *missing;
    const Outcome run = Cadentra(CopyArguments({"-o", out_, "--preview", page_}));
    ASSERT_EQ(run.code, EXIT_DONE) << run.err;
    EXPECT_TRUE(Holds(run.out, "Written to " + out_ + "\nPreview page written to " + page_ + "\n"));

    // The page changes nothing of the score that is written.
    const std::string written = cli_test::ReadFile(out_);
    cli_test::TemporaryFolder plain;
    ASSERT_EQ(Cadentra(CopyArguments({"-o", plain.File("out.musicxml")})).code, EXIT_DONE);
    EXPECT_EQ(written, cli_test::ReadFile(plain.File("out.musicxml")));

    pugi::xml_document page;
    const pugi::xml_parse_result parsed =
        page.load_file(page_.c_str(), pugi::parse_default | pugi::parse_doctype);
    ASSERT_TRUE(parsed) << "the page is not well-formed: " << parsed.description() << " at "
                        << parsed.offset;
    const pugi::xml_node html = page.child("html");
    ASSERT_TRUE(html);
    const std::string style = html.child("head").child_value("style");
    const pugi::xml_node body = html.child("body");
    EXPECT_EQ(std::string(body.child_value("h1")), "cadentra copy: " + score_);
    EXPECT_EQ(std::string(body.find_child_by_attribute("p", "class", "source").child_value()),
              "Source: staff 1 (P1 \"Flute\"), measure 1, layer 1: 2 note events");

    // Block by block, the oboe's range and the horn's, which share the block's drawing.
    struct Expected {
        const char* id;
        const char* heading;
        int measure;
    };
    const Expected expected[] = {
        {"block-1", "Measure 1, block 1 of 2: staff 2, staff 4", 1},
        {"block-2", "Measure 2, block 2 of 2: staff 2, staff 4", 2},
    };
    std::vector<pugi::xml_node> sections;
    for (pugi::xml_node section : body.children("section"))
        sections.push_back(section);
    ASSERT_EQ(sections.size(), std::size(expected));
    const std::string before = QuartetScore();
    for (size_t i = 0; i < sections.size(); ++i) {
        const Expected& want = expected[i];
        const pugi::xml_node section = sections[i];
        SCOPED_TRACE(want.heading);
        EXPECT_EQ(std::string(section.attribute("id").value()), want.id);
        EXPECT_EQ(std::string(section.child_value("h2")), want.heading);
        EXPECT_EQ(std::string(section.find_child_by_attribute("p", "class", "changed")
                                  .child("span")
                                  .next_sibling()
                                  .value()),
                  ": staff 2 (P2 \"Oboe\") and staff 4 (P4 \"Horn\")");
        const pugi::xml_node range = section.find_child_by_attribute("div", "class", "range");
        EXPECT_EQ(
            std::string(range.find_child_by_attribute("pre", "class", "report").child_value()),
            "staff 2 (P2 \"Oboe\"), layer 1 (voice 1): copied (2 note events)\n"
            "staff 4 (P4 \"Horn\"), layer 1 (voice 1): copied (2 note events)\n");

        const std::vector<pugi::xml_node> beforeFigure = WithClass(section, "figure", "before");
        const std::vector<pugi::xml_node> afterFigure = WithClass(section, "figure", "after");
        ASSERT_EQ(beforeFigure.size(), 1u);
        ASSERT_EQ(afterFigure.size(), 1u);
        ASSERT_TRUE(beforeFigure[0].child("svg"));
        ASSERT_TRUE(afterFigure[0].child("svg"));
        // Every note of those measures of the whole score, and no other.
        EXPECT_EQ(WithClass(beforeFigure[0], "g", "note").size(),
                  static_cast<size_t>(NotesInMeasure(before, want.measure)));
        EXPECT_EQ(WithClass(afterFigure[0], "g", "note").size(),
                  static_cast<size_t>(NotesInMeasure(written, want.measure)));
        EXPECT_EQ(NotesInMeasure(written, want.measure), NotesInMeasure(before, want.measure) + 2);

        // The changed staves are marked in both drawings, through the data-n of their staff
        // groups; the others are not.
        for (int staff = 1; staff <= 4; ++staff) {
            const std::string rule =
                "#" + std::string(want.id) + " g.staff[data-n=\"" + std::to_string(staff) + "\"]";
            EXPECT_EQ(style.find(rule) != std::string::npos, staff == 2 || staff == 4)
                << rule << " in " << style;
        }
        for (const pugi::xml_node& figure : {beforeFigure[0], afterFigure[0]}) {
            std::vector<int> staves;
            for (const pugi::xml_node& staff : WithClass(figure, "g", "staff"))
                staves.push_back(staff.attribute("data-n").as_int());
            EXPECT_EQ(staves, (std::vector<int>{1, 2, 3, 4}));
        }
    }
}

TEST_F(PreviewPage, ADryRunWritesThePageAndNotTheScore) {
    if (auto missing = MissingEngraver()) GTEST_SKIP() << "no engraver: " << *missing;
    const Outcome run = Cadentra(CopyArguments({"--dry-run", "--preview", page_}));
    ASSERT_EQ(run.code, EXIT_DONE) << run.err;
    EXPECT_TRUE(
        Holds(run.out, "Preview page written to " + page_ + "\nDry run: nothing else written.\n"));
    EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"page.html", "quartet.musicxml"}));

    // The page may replace neither the score nor the result.
    EXPECT_EQ(cli_test::UsageRefusal(CopyArguments({"--preview", score_, "--dry-run"})),
              "cadentra: --preview names the score itself: " + score_);
    EXPECT_EQ(cli_test::UsageRefusal(CopyArguments({"--preview", out_, "-o", out_})),
              "cadentra: --preview names the file the score is written to: " + out_);
    EXPECT_EQ(cli_test::ReadFile(score_), QuartetScore());
}

TEST_F(PreviewPage, WithoutTheEngraverNothingIsWritten) {
    const std::string unchanged = QuartetScore();
    cli_test::TemporaryFolder empty;
    {
        // No Node.js on PATH: neither the page nor the score, with or without --dry-run.
        const ScopedVariable path("PATH", empty.Path().string());
        for (const bool dryRun : {false, true}) {
            std::vector<std::string> extra{"--preview", page_};
            if (dryRun) extra.push_back("--dry-run");
            const Outcome run = Cadentra(CopyArguments(extra));
            EXPECT_EQ(run.code, EXIT_BAD_INPUT);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err.substr(0, run.err.find('\n')),
                      "cadentra: --preview needs Node.js to engrave the music, and there is no "
                      "node on PATH: install it (Debian's package nodejs), or run "
                      "scripts/install-deps.sh from cadentra's sources");
            EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"quartet.musicxml"}));
        }
    }
    if (cadentra_cli::FindOnPath("node").empty()) return;
    {
        // A preview folder without the engraving script.
        const ScopedVariable folder("CADENTRA_PREVIEW_DIR", empty.Path().string());
        const Outcome run = Cadentra(CopyArguments({"--preview", page_, "--in-place"}));
        EXPECT_EQ(run.code, EXIT_BAD_INPUT);
        EXPECT_EQ(run.err, "cadentra: --preview needs its engraving script, and " +
                               empty.File("render.mjs") +
                               " is not there: set CADENTRA_PREVIEW_DIR to the preview folder of "
                               "cadentra's sources\n");
    }
    // The script without the verovio package beside it.
    cli_test::WriteFile(empty.File("render.mjs"), "process.exit(0);\n");
    {
        const ScopedVariable folder("CADENTRA_PREVIEW_DIR", empty.Path().string());
        const Outcome run = Cadentra(CopyArguments({"--preview", page_, "--in-place"}));
        EXPECT_EQ(run.code, EXIT_BAD_INPUT);
        EXPECT_EQ(run.err, "cadentra: --preview needs the npm package verovio, and " +
                               (empty.Path() / "node_modules" / "verovio").string() +
                               " is not there: run 'npm ci' in " + empty.Path().string() +
                               ", or run scripts/install-deps.sh from cadentra's sources\n");
    }
    EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"quartet.musicxml"}));
    EXPECT_EQ(cli_test::ReadFile(score_), unchanged);
}

TEST_F(PreviewPage, AnEngraverThatFailsIsReportedAndNothingIsWritten) {
    if (cadentra_cli::FindOnPath("node").empty()) GTEST_SKIP() << "no node on PATH";
    // An engraver that draws nothing and says why, and one that says it succeeded but drew
    // nothing.
    cli_test::TemporaryFolder broken;
    std::filesystem::create_directories(broken.Path() / "node_modules" / "verovio");
    cli_test::WriteFile(broken.File("node_modules/verovio/package.json"), "{}\n");
    const ScopedVariable folder("CADENTRA_PREVIEW_DIR", broken.Path().string());
    cli_test::WriteFile(broken.File("render.mjs"),
                        "process.stderr.write('cannot engrave this\\n'); process.exit(3);\n");
    Outcome run = Cadentra(CopyArguments({"--preview", page_, "-o", out_}));
    EXPECT_EQ(run.code, EXIT_BAD_INPUT);
    EXPECT_TRUE(Holds(run.out, "Nothing written: --preview: the engraver (" +
                                   broken.File("render.mjs") +
                                   ") failed with exit code 3: cannot engrave this\n"));
    cli_test::WriteFile(broken.File("render.mjs"), "process.exit(0);\n");
    run = Cadentra(CopyArguments({"--preview", page_, "-o", out_}));
    EXPECT_EQ(run.code, EXIT_BAD_INPUT);
    EXPECT_TRUE(Holds(run.out, "Nothing written: --preview: the engraver drew nothing for "));
    EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"quartet.musicxml"}));
}

namespace {

/// What a screenshot shows: its size and how many of its pixels are black ink (notation and
/// text), of the marking colour (red well above green and blue), and white.
struct Screenshot {
    unsigned width = 0, height = 0;
    size_t ink = 0, marked = 0, white = 0;
};

/// Loads `page` in headless chromium at 1200 by 1600 pixels and reads the screenshot back.
Screenshot TakeScreenshot(const std::string& chromium, const cli_test::TemporaryFolder& folder,
                          const std::string& page) {
    const std::string png = page + ".png";
    const int code = cadentra_cli::RunProgram(
        {chromium, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
         "--user-data-dir=" + folder.File("profile"), "--window-size=1200,1600",
         "--screenshot=" + png, "file://" + page},
        folder.File("chromium.log"));
    EXPECT_EQ(code, 0) << cli_test::ReadFile(folder.File("chromium.log"));
    Screenshot shot;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, png.c_str())) {
        ADD_FAILURE() << png << ": " << image.message;
        return shot;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        ADD_FAILURE() << png << ": " << image.message;
        return shot;
    }
    shot.width = image.width;
    shot.height = image.height;
    for (size_t i = 0; i + 2 < pixels.size(); i += 3) {
        const int r = pixels[i], g = pixels[i + 1], b = pixels[i + 2];
        if (r < 80 && g < 80 && b < 80) ++shot.ink;
        if (r > 150 && g < 110 && b < 110) ++shot.marked;
        if (r > 245 && g > 245 && b > 245) ++shot.white;
    }
    return shot;
}

} // namespace

TEST_F(PreviewPage, InABrowserShowsTheNotationWithTheChangedStavesInColour) {
    if (auto missing = MissingEngraver()) GTEST_SKIP() << "no engraver: " << *missing;
    const std::string chromium = cadentra_cli::FindOnPath("chromium");
    if (chromium.empty())
        GTEST_SKIP() << "no chromium on PATH (scripts/install-deps.sh installs it)";
    ASSERT_EQ(Cadentra(CopyArguments({"--dry-run", "--preview", page_})).code, EXIT_DONE);

    const Screenshot shot = TakeScreenshot(chromium, folder_, page_);
    ASSERT_EQ(shot.width, 1200u);
    ASSERT_EQ(shot.height, 1600u);
    const size_t total = size_t{shot.width} * shot.height;
    // Mostly white paper with notation and words on it: not blank, not a wall of colour.
    EXPECT_GT(shot.ink, total / 200) << "ink " << shot.ink << " of " << total;
    EXPECT_GT(shot.white, total / 2) << "white " << shot.white << " of " << total;

    // The same page without the rules that colour the changed staves: the words and the band
    // beside the report keep their colour, the staves lose theirs.
    std::string unmarked = cli_test::ReadFile(page_);
    for (size_t at = unmarked.find("g.staff[data-n="); at != std::string::npos;
         at = unmarked.find("g.staff[data-n=", at))
        unmarked.replace(at, 7, "g.other");
    cli_test::WriteFile(folder_.File("unmarked.html"), unmarked);
    const Screenshot plain = TakeScreenshot(chromium, folder_, folder_.File("unmarked.html"));
    EXPECT_GT(shot.marked, plain.marked + total / 2000)
        << "marked " << shot.marked << ", without the staves' marks " << plain.marked;
    EXPECT_GT(plain.ink, shot.ink) << "the staves drawn black where they are not marked";
}

TEST(PartwiseMusicXml, TurnsATimewiseScoreIntoPartsOfMeasures) {
    const std::string timewise =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE score-timewise PUBLIC \"-//Recordare//DTD MusicXML 4.0 Timewise//EN\" "
        "\"http://www.musicxml.org/dtds/timewise.dtd\">\n"
        "<score-timewise version=\"4.0\"><part-list>"
        "<score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
        "<score-part id=\"P2\"><part-name>Oboe</part-name></score-part></part-list>"
        "<measure number=\"1\"><part id=\"P1\"><note>a</note></part><part "
        "id=\"P2\"><note>b</note></part></measure>"
        "<measure number=\"2\" implicit=\"yes\"><part id=\"P2\"><note>c</note></part>"
        "<part id=\"P1\"><note>d</note><note>e</note></part></measure>"
        "</score-timewise>";
    const std::string partwise = PartwiseMusicXml(timewise, "t.musicxml");
    EXPECT_EQ(partwise.substr(partwise.find("<score-partwise")),
              "<score-partwise version=\"4.0\"><part-list>"
              "<score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
              "<score-part id=\"P2\"><part-name>Oboe</part-name></score-part></part-list>"
              "<part id=\"P1\"><measure number=\"1\"><note>a</note></measure>"
              "<measure number=\"2\" implicit=\"yes\"><note>d</note><note>e</note></measure></part>"
              "<part id=\"P2\"><measure number=\"1\"><note>b</note></measure>"
              "<measure number=\"2\" implicit=\"yes\"><note>c</note></measure></part>"
              "</score-partwise>");
    // A partwise score stays as it is, but for its DOCTYPE; a broken one is refused.
    const std::string already =
        "<score-partwise><part id=\"P1\"><measure number=\"1\"/></part></score-partwise>";
    EXPECT_NE(PartwiseMusicXml(already, "p.musicxml").find(already), std::string::npos);
    EXPECT_THROW(PartwiseMusicXml("<score-partwise><part>", "b.musicxml"), InputError);
}
