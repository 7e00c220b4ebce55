#include "CliSupport.h"

#include "cli/Commands.h"
#include "host/EntryDetails.h"
#include "host/Host.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <map>
#include <sstream>
#include <stdexcept>

namespace cli_test {

std::string Partwise(const std::string& partList, const std::string& parts) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<score-partwise version=\"4.0\">\n"
           "  <part-list>\n" +
           partList + "  </part-list>\n" + parts + "</score-partwise>\n";
}

std::string OnePart(const std::string& measures, const std::string& name) {
    return Partwise("    <score-part id=\"P1\"><part-name>" + name + "</part-name></score-part>\n",
                    "  <part id=\"P1\">\n" + measures + "  </part>\n");
}

Outcome Cadentra(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    const int code = cadentra_cli::RunCommandLine(arguments, out, err);
    return Outcome{code, out.str(), err.str()};
}

std::string UsageRefusal(const std::vector<std::string>& arguments) {
    const Outcome run = Cadentra(arguments);
    EXPECT_EQ(run.code, cadentra_cli::EXIT_BAD_INPUT);
    EXPECT_EQ(run.out, "");
    return run.err.substr(0, run.err.find('\n'));
}

namespace {

std::string_view TrimmedView(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

/// The <pitch> of a name such as C4, F#5 or Bb3.
std::string PitchXml(const std::string& name) {
    const size_t octave = name.find_first_of("0123456789");
    if (name.empty() || octave == std::string::npos)
        throw std::invalid_argument("no pitch '" + name + "'");
    int alter = 0;
    for (size_t i = 1; i < octave; ++i)
        alter += name[i] == '#' ? 1 : name[i] == 'b' ? -1 : 0;
    return "<pitch><step>" + name.substr(0, 1) + "</step>" +
           (alter ? "<alter>" + std::to_string(alter) + "</alter>" : "") + "<octave>" +
           name.substr(octave) + "</octave></pitch>";
}

} // namespace

std::string Notes(const std::string& music, int voice, int staff) {
    static const std::map<char, std::pair<int, const char*>> VALUES = {{'w', {16, "whole"}},
                                                                       {'h', {8, "half"}},
                                                                       {'q', {4, "quarter"}},
                                                                       {'e', {2, "eighth"}},
                                                                       {'s', {1, "16th"}}};
    std::string xml;
    bool tiedIn = false;
    std::istringstream entries(music);
    for (std::string entry; std::getline(entries, entry, ',');) {
        std::istringstream words{std::string(TrimmedView(entry))};
        std::string pitches, duration;
        words >> pitches >> duration;
        std::string articulations;
        const size_t bang = duration.find('!');
        if (bang != std::string::npos) {
            for (size_t at = bang; at != std::string::npos;) {
                const size_t next = duration.find('!', at + 1);
                articulations += "<" + duration.substr(at + 1, next - at - 1) + "/>";
                at = next;
            }
            duration.resize(bang);
        }
        const bool tied = !duration.empty() && duration.back() == '~';
        if (tied) duration.pop_back();
        const auto value = VALUES.find(duration.empty() ? '?' : duration[0]);
        if (value == VALUES.end()) throw std::invalid_argument("no duration in '" + entry + "'");
        const bool dotted = duration.size() > 1 && duration[1] == '.';
        const int divisions = value->second.first * (dotted ? 3 : 2) / 2;
        std::vector<std::string> names;
        std::istringstream chord(pitches);
        for (std::string name; std::getline(chord, name, '+');)
            names.push_back(name);
        for (size_t n = 0; n < names.size(); ++n) {
            const bool rest = names[n] == "r";
            std::string notations;
            if (tiedIn) notations += "<tied type=\"stop\"/>";
            if (tied) notations += "<tied type=\"start\"/>";
            if (!articulations.empty() && n == 0)
                notations += "<articulations>" + articulations + "</articulations>";
            xml +=
                std::string("<note>") + (n > 0 ? "<chord/>" : "") +
                (rest ? "<rest/>" : PitchXml(names[n])) + "<duration>" + std::to_string(divisions) +
                "</duration>" + (tiedIn ? "<tie type=\"stop\"/>" : "") +
                (tied ? "<tie type=\"start\"/>" : "") + "<voice>" + std::to_string(voice) +
                "</voice><type>" + value->second.second + "</type>" + (dotted ? "<dot/>" : "") +
                (staff > 0 ? "<staff>" + std::to_string(staff) + "</staff>" : "") +
                (notations.empty() ? "" : "<notations>" + notations + "</notations>") + "</note>\n";
        }
        tiedIn = tied;
    }
    return xml;
}

std::string Attributes(int beats) {
    return "<attributes><divisions>4</divisions><time><beats>" + std::to_string(beats) +
           "</beats><beat-type>4</beat-type></time></attributes>\n";
}

std::string MeasureXml(const std::string& number, const std::string& contents) {
    return "    <measure number=\"" + number + "\">\n" + contents + "    </measure>\n";
}

std::string PartXml(const std::string& id, const std::vector<std::string>& measures) {
    std::string xml = "  <part id=\"" + id + "\">\n";
    for (size_t m = 0; m < measures.size(); ++m)
        xml += MeasureXml(std::to_string(m + 1), (m == 0 ? Attributes() : "") + measures[m]);
    return xml + "  </part>\n";
}

std::string PartList(const std::vector<std::pair<std::string, std::string>>& parts) {
    std::string list;
    for (const auto& [id, name] : parts)
        list += "<score-part id=\"" + id + "\"><part-name>" + name + "</part-name></score-part>";
    return list;
}

std::string RehearsalMark(const std::string& text) {
    return "<direction placement=\"above\"><direction-type><rehearsal>" + text +
           "</rehearsal></direction-type></direction>\n";
}

ReadResult Read(const std::string& xml, const std::string& name) {
    host::Host& host = host::Host::Instance();
    host.Reset();
    ReadResult result;
    result.document = &host.NewDocument(name);
    result.score = cadentra_cli::ReadScore(xml, name, *result.document);
    cadentra_cli::RememberAllCells(*result.score, *result.document);
    return result;
}

ReadResult ReadAnother(const std::string& xml, const std::string& name) {
    ReadResult result;
    result.document = &host::Host::Instance().NewDocument(name);
    result.score = cadentra_cli::ReadScore(xml, name, *result.document);
    cadentra_cli::RememberAllCells(*result.score, *result.document);
    return result;
}

TemporaryFolder::TemporaryFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("cadentra-test-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TemporaryFolder::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

void WriteArchive(const std::string& path, const std::string& member, const std::string& xml) {
    const std::string container =
        "<?xml version=\"1.0\"?><container><rootfiles><rootfile full-path=\"" + member +
        "\"/></rootfiles></container>";
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) return;
    zip_file_add(archive, "META-INF/container.xml",
                 zip_source_buffer(archive, container.data(), container.size(), 0), 0);
    zip_file_add(archive, member.c_str(), zip_source_buffer(archive, xml.data(), xml.size(), 0), 0);
    zip_close(archive);
}

std::vector<std::string> ScoresIn(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".xml" || extension == ".musicxml" || extension == ".mxl")
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string SharedFolder() {
    const std::string folder = CADENTRA_SHARED_DIR;
    return std::filesystem::exists(folder + "/corpus/musicxml") ? folder : std::string();
}

bool CanValidate() {
    return !SharedFolder().empty() && std::system("command -v xmllint >/dev/null 2>&1") == 0;
}

bool IsSchemaValid(const std::string& path, std::string* errors) {
    const std::string schema = SharedFolder() + "/schema/musicxml-4.0";
    const std::string log = path + ".xmllint.log";
    const std::string command = "XML_CATALOG_FILES='" + schema +
                                "/catalog.xml' xmllint --nonet --noout --schema '" + schema +
                                "/musicxml.xsd' '" + path + "' >'" + log + "' 2>&1";
    const bool valid = std::system(command.c_str()) == 0;
    if (errors) *errors = ReadFile(log);
    std::remove(log.c_str());
    return valid;
}

void RenumberEntries(host::Document& document, int staff, int first, int last) {
    for (auto& [key, entries] : document.frames) {
        if (key.staff != staff || key.measure < first || key.measure > last) continue;
        for (EXENTRY& entry : entries) {
            const fourbyte renumbered = document.nextEntryNumber++;
            for (auto& [detailKey, bytes] : host::DetailsOfEntry(document, entry.entryNumber)) {
                host::RecordKey moved = detailKey;
                host::SetEntryNumberOfKey(moved.key, renumbered);
                document.records[moved] = bytes;
            }
            host::EraseDetailsOfEntry(document, entry.entryNumber);
            entry.entryNumber = renumbered;
        }
    }
}

} // namespace cli_test
