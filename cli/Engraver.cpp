#include "cli/Engraver.h"

#include "cli/ChildProcess.h"
#include "cli/musicxml/SourceText.h"

#include <pugixml.hpp>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cadentra_cli {
namespace {

namespace fs = std::filesystem;

#ifndef CADENTRA_PREVIEW_DIR
#define CADENTRA_PREVIEW_DIR "preview"
#endif

constexpr const char* INSTALL_HINT = "run scripts/install-deps.sh from cadentra's sources";

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteWhole(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw InputError{"--preview: cannot write " + path.string()};
}

/// A folder of its own under the system's temporary folder, removed with its contents when the
/// object goes.
class WorkFolder {
public:
    WorkFolder() {
        std::error_code error;
        fs::path base = fs::temp_directory_path(error);
        if (error) base = "/tmp";
        std::string pattern = (base / "cadentra-preview-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw InputError{"--preview: cannot make a temporary folder in " + base.string() +
                             ": " + std::strerror(errno)};
        path_ = pattern;
    }
    ~WorkFolder() {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

/// The last lines of what the engraver said, joined for a message.
std::string Tail(const std::string& text, size_t count = 6) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.find_first_not_of(" \t\r") != std::string::npos) lines.push_back(line);
    if (lines.empty()) return "(it said nothing)";
    std::string tail;
    for (size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i)
        tail += (tail.empty() ? "" : " | ") + lines[i];
    return tail;
}

/// The partwise form of a timewise score: a <part> per score part, each with a <measure> per
/// measure of the score holding what that part has in it.
void MakePartwise(pugi::xml_document& document) {
    pugi::xml_node timewise = document.child("score-timewise");
    if (!timewise) return;
    pugi::xml_node partwise = document.insert_child_before("score-partwise", timewise);
    for (pugi::xml_attribute attribute : timewise.attributes())
        partwise.append_attribute(attribute.name()) = attribute.value();
    for (pugi::xml_node child : timewise.children())
        if (std::strcmp(child.name(), "measure") != 0) partwise.append_copy(child);
    for (pugi::xml_node scorePart : timewise.child("part-list").children("score-part")) {
        const char* id = scorePart.attribute("id").value();
        pugi::xml_node part = partwise.append_child("part");
        part.append_attribute("id") = id;
        for (pugi::xml_node measure : timewise.children("measure")) {
            pugi::xml_node written = part.append_child("measure");
            for (pugi::xml_attribute attribute : measure.attributes())
                written.append_attribute(attribute.name()) = attribute.value();
            for (pugi::xml_node held = measure.find_child_by_attribute("part", "id", id); held;
                 held = pugi::xml_node())
                for (pugi::xml_node child : held.children())
                    written.append_copy(child);
        }
    }
    document.remove_child(timewise);
}

} // namespace

std::string PreviewFolder() {
    const char* folder = std::getenv("CADENTRA_PREVIEW_DIR");
    return folder && *folder ? folder : CADENTRA_PREVIEW_DIR;
}

Engraver FindEngraver() {
    Engraver engraver{FindOnPath("node"), PreviewFolder()};
    if (engraver.node.empty())
        throw InputError{"--preview needs Node.js to engrave the music, and there is no node on "
                         "PATH: install it (Debian's package nodejs), or " +
                         std::string(INSTALL_HINT)};
    const fs::path folder(engraver.folder);
    if (!IsFile(folder / "render.mjs"))
        throw InputError{"--preview needs its engraving script, and " +
                         (folder / "render.mjs").string() +
                         " is not there: set CADENTRA_PREVIEW_DIR to the preview folder of "
                         "cadentra's sources"};
    if (!IsFile(folder / "node_modules" / "verovio" / "package.json"))
        throw InputError{"--preview needs the npm package verovio, and " +
                         (folder / "node_modules" / "verovio").string() +
                         " is not there: run 'npm ci' in " + folder.string() + ", or " +
                         INSTALL_HINT};
    return engraver;
}

std::string PartwiseMusicXml(const std::string& bytes, const std::string& name) {
    const SourceText text(bytes, name);
    pugi::xml_document document;
    const std::string& utf8 = text.Utf8();
    const pugi::xml_parse_result parsed =
        document.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        throw InputError{name + ": not well-formed XML for the preview: " + parsed.description()};
    MakePartwise(document);
    std::ostringstream out;
    document.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

std::vector<RangeDrawings> Engrave(const Engraver& engraver, const std::string& before,
                                   const std::string& after,
                                   const std::vector<MeasureRange>& ranges) {
    if (ranges.empty()) return {};
    const WorkFolder work;
    const fs::path beforeFile = work.Path() / "before.musicxml";
    const fs::path afterFile = work.Path() / "after.musicxml";
    const fs::path log = work.Path() / "engraver.log";
    WriteWhole(beforeFile, before);
    WriteWhole(afterFile, after);
    std::vector<std::string> arguments{
        engraver.node, (fs::path(engraver.folder) / "render.mjs").string(), beforeFile.string(),
        afterFile.string(), work.Path().string()};
    for (const MeasureRange& range : ranges)
        arguments.push_back(std::to_string(range.first) + "-" + std::to_string(range.last));
    int code = 0;
    try {
        code = RunProgram(arguments, log.string());
    } catch (const InputError& error) {
        throw InputError{"--preview: " + error.message};
    }
    if (code != 0)
        throw InputError{"--preview: the engraver (" + arguments[1] + ") failed with exit code " +
                         std::to_string(code) + ": " + Tail(ReadWhole(log))};
    std::vector<RangeDrawings> drawings;
    for (size_t i = 1; i <= ranges.size(); ++i) {
        RangeDrawings drawing;
        for (auto [kind, svg] :
             {std::pair{"before", &drawing.before}, std::pair{"after", &drawing.after}}) {
            const fs::path file = work.Path() / (std::to_string(i) + "-" + kind + ".svg");
            *svg = ReadWhole(file);
            if (svg->find("<svg") == std::string::npos)
                throw InputError{"--preview: the engraver drew nothing for " + file.string() +
                                 ": " + Tail(ReadWhole(log))};
        }
        drawings.push_back(std::move(drawing));
    }
    return drawings;
}

} // namespace cadentra_cli
