#include "CliSupport.h"

#include "host/EntryDetails.h"
#include "host/Host.h"

#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

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
