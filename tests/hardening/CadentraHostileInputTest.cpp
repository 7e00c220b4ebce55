// `cadentra` on hostile files: malformed or foreign XML, missing or bad divisions, durations and
// counts out of range, a million measures, deep nesting, entity declarations, archives that are
// zip bombs, leave their folder or lack their container, files past the size limit. Each is
// refused by `info` and `copy` with exit code 2 and a message that names the problem, and no file
// appears next to it. A copy the plug-in refuses writes nothing either.
#include "cli/Commands.h"
#include "cli/musicxml/InputLimits.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "cadentra-hostile-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TemporaryFolder() { fs::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    /// The names of the files in the folder.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    fs::path path_;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

const std::string NOTE = "<note><pitch><step>C</step><octave>4</octave></pitch>"
                         "<duration>1</duration><voice>1</voice><type>quarter</type></note>";

/// A one-part partwise score whose first measure holds `music` after `attributes`.
std::string Score(const std::string& music,
                  const std::string& attributes = "<attributes><divisions>1</divisions>"
                                                  "</attributes>") {
    return "<?xml version=\"1.0\"?><score-partwise version=\"4.0\"><part-list>"
           "<score-part id=\"P1\"><part-name>Flute</part-name></score-part></part-list>"
           "<part id=\"P1\"><measure number=\"1\">" +
           attributes + music + "</measure></part></score-partwise>";
}

std::string Repeat(const std::string& text, size_t times) {
    std::string out;
    out.reserve(text.size() * times);
    for (size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

/// Writes an archive of (name, bytes) members.
void WriteArchive(const std::string& path,
                  const std::vector<std::pair<std::string, std::string>>& members) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const auto& [name, bytes] : members) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_RAW), 0) << name;
    }
    ASSERT_EQ(zip_close(archive), 0);
}

std::string Container(const std::string& rootfile) {
    return "<?xml version=\"1.0\"?><container><rootfiles><rootfile full-path=\"" + rootfile +
           "\" media-type=\"application/vnd.recordare.musicxml+xml\"/></rootfiles></container>";
}

class HostileInput : public ::testing::Test {
protected:
    struct Run {
        int code;
        std::string err;
    };
    Run Cadentra(const std::vector<std::string>& arguments) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = cadentra_cli::RunCommandLine(arguments, out, err);
        return Run{code, err.str()};
    }

    /// `file` (already in the folder) is refused by info and by copy, with `problem` in the
    /// message, and nothing else appears in the folder.
    void ExpectRefusedFile(const std::string& name, const std::string& problem) {
        SCOPED_TRACE(name);
        const std::string path = folder_.File(name);
        const Run info = Cadentra({"info", path});
        EXPECT_EQ(info.code, cadentra_cli::EXIT_BAD_INPUT);
        EXPECT_NE(info.err.find(problem), std::string::npos) << info.err;
        for (const std::string output : {"out.musicxml", "out.mxl"}) {
            const Run copy = Cadentra(
                {"copy", path, "--source", "1@1", "--to", "1@1", "-o", folder_.File(output)});
            EXPECT_EQ(copy.code, cadentra_cli::EXIT_BAD_INPUT);
            EXPECT_NE(copy.err.find(problem), std::string::npos) << copy.err;
        }
        const Run inPlace =
            Cadentra({"copy", path, "--source", "1@1", "--to", "1@1", "--in-place"});
        EXPECT_EQ(inPlace.code, cadentra_cli::EXIT_BAD_INPUT);
        EXPECT_EQ(folder_.Names(), std::vector<std::string>{name});
    }
    /// A file of `bytes` written as `name` is refused, with `problem` in the message.
    struct Hostile {
        std::string name;
        std::string bytes;
        std::string problem;
    };
    void ExpectRefused(const std::vector<Hostile>& files) {
        for (const Hostile& file : files) {
            WriteFile(folder_.File(file.name), file.bytes);
            ExpectRefusedFile(file.name, file.problem);
            fs::remove(folder_.File(file.name));
        }
    }

    TemporaryFolder folder_;
};

TEST_F(HostileInput, MalformedOrForeignDocumentsAreRefused) {
    ExpectRefused({
        {"unclosed.musicxml", Score(NOTE).substr(0, 200), "not well-formed XML"},
        {"empty.musicxml", "", "not well-formed XML"},
        {"binary.musicxml", std::string("\x00\x01\xFF\xFE\x80garbage", 12), "not well-formed XML"},
        {"page.musicxml", "<?xml version=\"1.0\"?><html><body/></html>", "not a MusicXML score"},
        {"noparts.musicxml",
         "<score-partwise><part-list/><part id=\"P1\"><measure/></part></score-partwise>",
         "the score has no parts"},
    });
}

TEST_F(HostileInput, DivisionsMustBeGivenPositiveAndBounded) {
    // Before any divisions a note's length comes from its value; one without a value has none.
    auto divisions = [](const std::string& count) {
        return Score(NOTE, "<attributes><divisions>" + count + "</divisions></attributes>");
    };
    ExpectRefused({
        {"missing.musicxml",
         Score("<note><rest/><duration>1</duration><voice>1</voice></note>", ""),
         "neither <divisions> in force nor a <type>"},
        {"zero.musicxml", divisions("0"), "divisions must be positive"},
        {"negative.musicxml", divisions("-4"), "divisions must be positive"},
        {"fine.musicxml", divisions("1000001"), "more than 1000000 divisions per quarter note"},
    });
}

TEST_F(HostileInput, DurationsAndCountsOutOfRangeAreRefused) {
    auto note = [](const std::string& duration, const std::string& extra = "") {
        return "<note><pitch><step>C</step><octave>4</octave></pitch><duration>" + duration +
               "</duration><voice>1</voice><type>eighth</type>" + extra + "</note>";
    };
    std::string parts = "<?xml version=\"1.0\"?><score-partwise><part-list>";
    for (size_t p = 0; p <= cadentra_cli::MAX_PARTS; ++p)
        parts += "<score-part id=\"P" + std::to_string(p) + "\"/>";
    ExpectRefused({
        {"negative.musicxml", Score(note("-5")), "a negative duration"},
        {"huge.musicxml", Score(note("1000000000000")), "expected a number"},
        {"long.musicxml", Score(note("999999999")), "at most 1024 are accepted"},
        {"tuplet.musicxml",
         Score(note("1", "<time-modification><actual-notes>999999999</actual-notes>"
                         "<normal-notes>2</normal-notes></time-modification>")),
         "a time modification of more than 1000 notes"},
        {"bracket.musicxml",
         Score(note("1", "<notations><tuplet type=\"start\"><tuplet-actual>"
                         "<tuplet-number>70000</tuplet-number></tuplet-actual></tuplet>"
                         "</notations>")),
         "a tuplet of more than 1000 notes"},
        {"beats.musicxml",
         Score(NOTE, "<attributes><divisions>1</divisions><time><beats>2147483647+"
                     "2147483647</beats><beat-type>4</beat-type></time></attributes>"),
         "a time signature of more than 32767 beats"},
        {"staves.musicxml",
         Score(NOTE, "<attributes><divisions>1</divisions><staves>1000000</staves></attributes>"),
         "claims more staves than the host can hold"},
        {"notes.musicxml", Score(Repeat(NOTE, cadentra_cli::MAX_ENTRIES_PER_MEASURE + 1)),
         "more than 10000 notes and rests in one voice of one measure"},
        {"parts.musicxml", parts + "</part-list></score-partwise>", "more than 1000 parts"},
    });
}

TEST_F(HostileInput, AMillionMeasuresDeepNestingAndFilesPastTheSizeLimitAreRefused) {
    ExpectRefused({
        {"measures.musicxml",
         "<score-partwise><part-list><score-part id=\"P1\"/></part-list><part id=\"P1\">" +
             Repeat("<measure/>", 1000000) + "</part></score-partwise>",
         "more measures than the host can hold"},
        {"deep.musicxml", Score(Repeat("<a>", 200000) + Repeat("</a>", 200000) + NOTE),
         "elements nested more than 64 deep"},
        {"large.musicxml", Score(NOTE) + std::string(cadentra_cli::MAX_FILE_BYTES, ' '),
         "the file is larger than 32 MiB"},
    });
}

TEST_F(HostileInput, NestingIsRefusedFromTheFirstNodeBeyondTheLimit) {
    // <direction> lies 4 deep (score, part, measure, direction): with 59 elements inside it the
    // deepest holds its text 64 deep, the limit; one more element puts the text past it. The
    // nesting is found whether the direction ends the measure or a note follows it, and with the
    // shortest tags that can nest.
    auto nested = [](size_t inside, bool last) {
        const std::string direction =
            "<direction>" + Repeat("<a>", inside) + "x" + Repeat("</a>", inside) + "</direction>";
        return Score(last ? NOTE + direction : direction + NOTE);
    };
    for (const bool last : {true, false}) {
        SCOPED_TRACE(last ? "direction last" : "a note after the direction");
        WriteFile(folder_.File("limit.musicxml"), nested(59, last));
        EXPECT_EQ(Cadentra({"info", folder_.File("limit.musicxml")}).code, 0);
        fs::remove(folder_.File("limit.musicxml"));
        ExpectRefused({{"beyond.musicxml", nested(60, last), "elements nested more than 64 deep"}});
    }
    // Outside the measures too: <identification> lies 2 deep.
    const std::string score = Score(NOTE);
    const size_t partList = score.find("<part-list>");
    ExpectRefused({{"identification.musicxml",
                    score.substr(0, partList) + "<identification>" + Repeat("<a>", 62) + "x" +
                        Repeat("</a>", 62) + "</identification>" + score.substr(partList),
                    "elements nested more than 64 deep"}});
}

TEST_F(HostileInput, EntityDeclarationsAreRefusedAndReferencesNotExpanded) {
    const std::string body = Score(NOTE).substr(21);
    ExpectRefused({
        {"laughs.musicxml",
         "<?xml version=\"1.0\"?><!DOCTYPE score-partwise [<!ENTITY a \"aaaaaaaaaa\">"
         "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
         "]>" +
             body,
         "declares entities"},
        {"external.musicxml",
         "<?xml version=\"1.0\"?><!DOCTYPE score-partwise [<!ENTITY e SYSTEM "
         "\"file:///etc/passwd\">]>" +
             body,
         "declares entities"},
        // Without declarations a reference stays the text it is: not a number of divisions.
        {"reference.musicxml", Score(NOTE, "<attributes><divisions>&c;</divisions></attributes>"),
         "expected a number, found \"&c;\""},
    });
}

TEST_F(HostileInput, ArchivesThatAreBombsLeaveTheirFolderOrLackTheirContainerAreRefused) {
    const std::string score = Score(NOTE);
    const std::string container = Container("score.musicxml");

    using Members = std::vector<std::pair<std::string, std::string>>;
    Members many = {{"META-INF/container.xml", container}, {"score.musicxml", score}};
    for (long i = 0; i < cadentra_cli::MAX_ARCHIVE_MEMBERS; ++i)
        many.emplace_back("extra/" + std::to_string(i), "");
    struct Archive {
        std::string name;
        Members members;
        std::string problem;
    };
    std::vector<Archive> archives = {
        {"bomb.mxl",
         {{"META-INF/container.xml", container},
          {"score.musicxml", score + std::string(cadentra_cli::MAX_MEMBER_BYTES, ' ')}},
         "unpacks to more than 32 MiB"},
        {"containerbomb.mxl",
         {{"META-INF/container.xml",
           container + std::string(cadentra_cli::MAX_CONTAINER_BYTES, ' ')},
          {"score.musicxml", score}},
         "unpacks to more than 64 KiB"},
        // An unsafe member beside a sound score is refused too: the archive would be written back.
        {"beside.mxl",
         {{"META-INF/container.xml", container},
          {"score.musicxml", score},
          {"../../evil.sh", "#!/bin/sh"}},
         "(../../evil.sh)"},
        {"bare.mxl", {{"score.musicxml", score}}, "it has no META-INF/container.xml"},
        {"elsewhere.mxl",
         {{"META-INF/container.xml", Container("other.musicxml")}, {"score.musicxml", score}},
         "names no score that the archive holds"},
        {"many.mxl", many, "members, more than 1000"},
    };
    for (const std::string member :
         {"/tmp/score.musicxml", "../score.musicxml", "music/../../score.musicxml",
          "..\\score.musicxml", "C:/score.musicxml"})
        archives.push_back({"unsafe.mxl",
                            {{"META-INF/container.xml", Container(member)}, {member, score}},
                            "a member with an absolute or \"..\" path (" + member + ")"});
    for (const Archive& archive : archives) {
        WriteArchive(folder_.File(archive.name), archive.members);
        ExpectRefusedFile(archive.name, archive.problem);
        fs::remove(folder_.File(archive.name));
    }

    ExpectRefused({{"truncated.mxl", std::string("PK\x03\x04", 4) + "not an archive",
                    "not a readable .mxl archive"}});
}

TEST_F(HostileInput, AFileAtTheLimitAndAPipeAreReadWhole) {
    // A file that tells its size is read in one piece: one of exactly the limit is a score.
    std::string atLimit = Score(NOTE);
    atLimit += std::string(cadentra_cli::MAX_FILE_BYTES - atLimit.size(), ' ');
    WriteFile(folder_.File("limit.musicxml"), atLimit);
    EXPECT_EQ(Cadentra({"info", folder_.File("limit.musicxml")}).code, 0);

    // A pipe tells none and is read in pieces: a score many pieces long, its music at the end.
    const std::string piped = folder_.File("pipe.musicxml");
    ASSERT_EQ(mkfifo(piped.c_str(), 0600), 0);
    const std::string score = Score(NOTE);
    const size_t body = score.find("<part-list>");
    const std::string text =
        score.substr(0, body) + "<!--" + std::string(300000, 'x') + "-->" + score.substr(body);
    std::thread writer([&] {
        std::ofstream out(piped, std::ios::binary);
        out << text;
    });
    const Run info = Cadentra({"info", piped});
    writer.join();
    EXPECT_EQ(info.code, 0) << info.err;
}

TEST_F(HostileInput, ACopyThePlugInRefusesWritesNothing) {
    const std::string rests = Score("<note><rest/><duration>4</duration><voice>1</voice></note>");
    WriteFile(folder_.File("rests.musicxml"), rests);
    const Run copy = Cadentra({"copy", folder_.File("rests.musicxml"), "--source", "1@1", "--to",
                               "1@1", "-o", folder_.File("out.musicxml")});
    EXPECT_EQ(copy.code, cadentra_cli::EXIT_REFUSED);
    EXPECT_NE(copy.err.find("Source region didn't contain any notes in layer 1."),
              std::string::npos)
        << copy.err;
    const Run inPlace = Cadentra(
        {"copy", folder_.File("rests.musicxml"), "--source", "1@1", "--to", "1@1", "--in-place"});
    EXPECT_EQ(inPlace.code, cadentra_cli::EXIT_REFUSED);
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"rests.musicxml"});
    EXPECT_EQ(ReadFile(folder_.File("rests.musicxml")), rests);
}

} // namespace
