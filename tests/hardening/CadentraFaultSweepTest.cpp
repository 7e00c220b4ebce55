// `cadentra copy` under host faults: the first, second, third ... host call after the program
// has read the score fails in turn, until a run meets no fault. A run in which COPY did not
// succeed exits with 1, says why, and writes no file; so does a run in which no layer took the
// rhythm (exit 3); a run that exits with 0 has written one; the run without a fault writes what
// a run without fault injection writes.
#include "cli/Commands.h"
#include "host/Host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string Note(const std::string& step, int octave, int duration, const std::string& type,
                 const std::string& extra = "", int voice = 1) {
    return "<note><pitch><step>" + step + "</step><octave>" + std::to_string(octave) +
           "</octave></pitch><duration>" + std::to_string(duration) + "</duration><voice>" +
           std::to_string(voice) + "</voice><type>" + type + "</type>" + extra + "</note>";
}

std::string Triplet(const std::string& step, const std::string& mark) {
    return Note(step, 4, 2, "eighth",
                "<time-modification><actual-notes>3</actual-notes><normal-notes>2</normal-notes>"
                "</time-modification>" +
                    (mark.empty() ? "" : "<notations><tuplet type=\"" + mark + "\"/></notations>"));
}

/// Three parts over two measures (6 divisions to the quarter). The flute's seven note events
/// (a tie, a rest, a triplet, articulations) are the source; the oboe and the first voice of the
/// cello have seven events too, the cello's second voice three.
std::string ThreeParts() {
    const std::string attributes = "<attributes><divisions>6</divisions><time><beats>4</beats>"
                                   "<beat-type>4</beat-type></time></attributes>";
    const std::string flute =
        "<measure number=\"1\">" + attributes +
        Note("C", 4, 6, "quarter",
             "<notations><articulations><accent/></articulations>"
             "</notations>") +
        Note("D", 4, 6, "quarter",
             "<tie type=\"start\"/><notations><tied type=\"start\"/>"
             "</notations>") +
        Note("D", 4, 6, "quarter",
             "<tie type=\"stop\"/><notations><tied type=\"stop\"/>"
             "</notations>") +
        "<note><rest/><duration>6</duration><voice>1</voice><type>quarter</type></note>"
        "</measure><measure number=\"2\">" +
        Triplet("E", "start") + Triplet("F", "") + Triplet("G", "stop") +
        Note("A", 4, 6, "quarter",
             "<notations><articulations><staccato/></articulations>"
             "</notations>") +
        Note("B", 4, 12, "half") + "</measure>";
    const std::string oboe = "<measure number=\"1\">" + attributes + Note("C", 5, 12, "half") +
                             Note("D", 5, 12, "half") + "</measure><measure number=\"2\">" +
                             Note("E", 5, 6, "quarter") + Note("F", 5, 6, "quarter") +
                             Note("G", 5, 6, "quarter") + Note("A", 5, 3, "eighth") +
                             Note("B", 5, 3, "eighth") + "</measure>";
    const std::string cello =
        "<measure number=\"1\">" + attributes + Note("G", 3, 24, "whole") +
        "<backup><duration>24</duration></backup>" + Note("E", 3, 12, "half", "", 2) +
        Note("F", 3, 12, "half", "", 2) + "</measure><measure number=\"2\">" +
        Note("A", 3, 3, "eighth") + Note("B", 3, 3, "eighth") + Note("C", 4, 3, "eighth") +
        Note("D", 4, 3, "eighth") + Note("E", 4, 6, "quarter") + Note("F", 4, 6, "quarter") +
        "<backup><duration>24</duration></backup>" + Note("G", 3, 24, "whole", "", 2) +
        "</measure>";
    return "<?xml version=\"1.0\"?><score-partwise version=\"4.0\"><part-list>"
           "<score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
           "<score-part id=\"P2\"><part-name>Oboe</part-name></score-part>"
           "<score-part id=\"P3\"><part-name>Cello</part-name></score-part></part-list>"
           "<part id=\"P1\">" +
           flute + "</part><part id=\"P2\">" + oboe + "</part><part id=\"P3\">" + cello +
           "</part></score-partwise>";
}

std::string ReadFile(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome Copy(const std::string& score, const std::string& output) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = cadentra_cli::RunCommandLine(
        {"copy", score, "--source", "1@1-2", "--to", "2-3@1-2", "-o", output}, out, err);
    return Outcome{code, out.str(), err.str()};
}

TEST(CadentraFaultSweep, NoFileIsWrittenWhenCopyDidNotSucceed) {
    std::string pattern = (fs::temp_directory_path() / "cadentra-faults-XXXXXX").string();
    const fs::path folder = mkdtemp(pattern.data());
    const std::string score = (folder / "score.musicxml").string();
    const std::string output = (folder / "out.musicxml").string();
    std::ofstream(score, std::ios::binary) << ThreeParts();
    host::Host& host = host::Host::Instance();

    const Outcome clean = Copy(score, output);
    ASSERT_EQ(clean.code, cadentra_cli::EXIT_DONE) << clean.err;
    for (const std::string staff : {"staff 2 (P2 \"Oboe\")", "staff 3 (P3 \"Cello\")"})
        ASSERT_NE(clean.out.find(staff + ", layer 1 (voice 1): copied"), std::string::npos)
            << clean.out;
    const std::string expected = ReadFile(output);
    ASSERT_NE(expected, ReadFile(score));
    const int hostCalls = static_cast<int>(host.Calls().size());
    ASSERT_GT(hostCalls, 20);

    int runs = 0;
    for (int n = 1;; ++n) {
        fs::remove(output);
        host.FailCallNumberAfterReset(n);
        const Outcome run = Copy(score, output);
        const bool faulted = host.FaultsInjected() > 0;
        ++runs;
        SCOPED_TRACE("host call " + std::to_string(n) + " failing");
        if (run.code == cadentra_cli::EXIT_REFUSED) {
            EXPECT_FALSE(fs::exists(output));
            EXPECT_NE(run.err.find("ZQ Cadentra Error: "), std::string::npos) << run.err;
        } else if (run.code == cadentra_cli::EXIT_NOTHING_TO_COPY) {
            EXPECT_FALSE(fs::exists(output));
            EXPECT_NE(run.out.find("Nothing to copy"), std::string::npos) << run.out;
        } else {
            ASSERT_EQ(run.code, cadentra_cli::EXIT_DONE) << run.err;
            EXPECT_TRUE(fs::exists(output));
            EXPECT_EQ(run.err.find("ZQ Cadentra Error"), std::string::npos) << run.err;
        }
        if (!faulted) {
            EXPECT_EQ(run.code, cadentra_cli::EXIT_DONE);
            EXPECT_EQ(ReadFile(output), expected);
            break;
        }
        ASSERT_LT(n, hostCalls + 2) << "the sweep does not end";
    }
    EXPECT_EQ(runs, hostCalls + 1);
    host.Reset();
    fs::remove_all(folder);
}

} // namespace
