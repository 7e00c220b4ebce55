#include "cli/musicxml/SourceText.h"

#include "cli/musicxml/InputLimits.h"

#include <pugixml.hpp>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

namespace cadentra_cli {
namespace {

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

/// Decodes one UTF-8 sequence at `i`; invalid bytes decode as themselves (Latin-1).
uint32_t DecodeUtf8(std::string_view text, size_t& i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    int extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
    if (byte < 0x80 || i + static_cast<size_t>(extra) >= text.size() + 0) {
        ++i;
        return byte;
    }
    uint32_t code = byte & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return byte;
        }
        code = (code << 6) | (next & 0x3F);
    }
    i += static_cast<size_t>(extra) + 1;
    return code;
}

/// The encoding named in an XML declaration at the start of `bytes`, lower-cased; empty when none.
std::string DeclaredEncoding(std::string_view bytes) {
    if (bytes.substr(0, 5) != "<?xml") return {};
    const size_t end = bytes.find("?>");
    const std::string_view declaration = bytes.substr(0, end);
    const size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return {};
    size_t i = declaration.find_first_of("\"'", at);
    if (i == std::string_view::npos) return {};
    const char quote = declaration[i];
    const size_t close = declaration.find(quote, i + 1);
    if (close == std::string_view::npos) return {};
    std::string name(declaration.substr(i + 1, close - i - 1));
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

} // namespace

SourceText::SourceText(std::string bytes, std::string name)
    : bytes_(std::move(bytes)), name_(std::move(name)) {
    const std::string_view view(bytes_);
    if (view.size() >= 2 && static_cast<unsigned char>(view[0]) == 0xFF &&
        static_cast<unsigned char>(view[1]) == 0xFE) {
        encoding_ = TextEncoding::Utf16LE;
        prefix_ = 2;
    } else if (view.size() >= 2 && static_cast<unsigned char>(view[0]) == 0xFE &&
               static_cast<unsigned char>(view[1]) == 0xFF) {
        encoding_ = TextEncoding::Utf16BE;
        prefix_ = 2;
    } else if (view.size() >= 3 && view.substr(0, 3) == "\xEF\xBB\xBF") {
        encoding_ = TextEncoding::Utf8;
        prefix_ = 3;
    } else if (view.size() >= 2 && view[0] == '<' && view[1] == 0) {
        encoding_ = TextEncoding::Utf16LE;
    } else if (view.size() >= 2 && view[0] == 0 && view[1] == '<') {
        encoding_ = TextEncoding::Utf16BE;
    } else {
        const std::string declared = DeclaredEncoding(view);
        if (declared == "iso-8859-1" || declared == "latin1" || declared == "latin-1" ||
            declared == "iso_8859-1" || declared == "windows-1252" || declared == "cp1252")
            encoding_ = TextEncoding::Latin1;
    }

    if (encoding_ == TextEncoding::Utf8) {
        // Without a byte order mark the bytes are the working text: no second copy.
        if (prefix_ > 0) utf8_ = bytes_.substr(prefix_);
        return;
    }
    utf8_.reserve(bytes_.size());
    offsets_.reserve(bytes_.size() + 1);
    if (encoding_ == TextEncoding::Latin1) {
        for (size_t i = 0; i < bytes_.size(); ++i) {
            const size_t before = utf8_.size();
            AppendUtf8(utf8_, static_cast<unsigned char>(bytes_[i]));
            for (size_t k = before; k < utf8_.size(); ++k)
                offsets_.push_back(static_cast<uint32_t>(i));
        }
    } else {
        const bool little = encoding_ == TextEncoding::Utf16LE;
        auto unit = [&](size_t i) -> uint32_t {
            const auto a = static_cast<unsigned char>(bytes_[i]);
            const auto b = static_cast<unsigned char>(bytes_[i + 1]);
            return little ? (a | (b << 8)) : ((a << 8) | b);
        };
        size_t i = prefix_;
        while (i + 1 < bytes_.size()) {
            uint32_t code = unit(i);
            size_t width = 2;
            if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes_.size()) {
                const uint32_t low = unit(i + 2);
                if (low >= 0xDC00 && low < 0xE000) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    width = 4;
                }
            }
            const size_t before = utf8_.size();
            AppendUtf8(utf8_, code);
            for (size_t k = before; k < utf8_.size(); ++k)
                offsets_.push_back(static_cast<uint32_t>(i));
            i += width;
        }
    }
    offsets_.push_back(static_cast<uint32_t>(bytes_.size()));
}

size_t SourceText::ByteOffset(size_t utf8Offset) const {
    if (offsets_.empty()) return prefix_ + std::min(utf8Offset, Utf8().size());
    return offsets_[std::min(utf8Offset, offsets_.size() - 1)];
}

int SourceText::LineOf(size_t utf8Offset) const {
    const size_t end = std::min(utf8Offset, Utf8().size());
    return 1 + static_cast<int>(
                   std::count(Utf8().begin(), Utf8().begin() + static_cast<long>(end), '\n'));
}

std::string SourceText::Encode(std::string_view text) const {
    if (encoding_ == TextEncoding::Utf8) return std::string(text);
    std::string out;
    out.reserve(text.size() * 2);
    size_t i = 0;
    while (i < text.size()) {
        const uint32_t code = DecodeUtf8(text, i);
        if (encoding_ == TextEncoding::Latin1) {
            if (code < 0x100) {
                out += static_cast<char>(code);
            } else {
                out += "&#" + std::to_string(code) + ";";
            }
            continue;
        }
        auto put = [&](uint32_t unit) {
            const char high = static_cast<char>(unit >> 8);
            const char low = static_cast<char>(unit & 0xFF);
            if (encoding_ == TextEncoding::Utf16LE) {
                out += low;
                out += high;
            } else {
                out += high;
                out += low;
            }
        };
        if (code >= 0x10000) {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put(code);
        }
    }
    return out;
}

// Files ------------------------------------------------------------------------------------------

namespace {

std::string SizeText(size_t bytes) {
    return bytes >= (size_t{1} << 20) ? std::to_string(bytes >> 20) + " MiB"
                                      : std::to_string(bytes >> 10) + " KiB";
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError{path + ": cannot open the file: " + std::strerror(errno)};
    // Read in pieces up to one byte past the limit, so that neither a huge file nor an endless
    // one (a device, a pipe) is taken in whole. A file that tells its size is read in one piece,
    // straight into the text, with room for one byte more to find its end.
    std::string content;
    std::streamoff size = -1;
    if (in.seekg(0, std::ios::end)) {
        size = in.tellg();
        if (!in.seekg(0, std::ios::beg)) throw InputError{path + ": cannot read the file"};
    }
    in.clear(); // a pipe cannot seek: it is read in pieces
    if (size >= 0) content.reserve(std::min(static_cast<size_t>(size), MAX_FILE_BYTES) + 1);
    constexpr size_t PIECE = 1 << 16;
    while (in && content.size() <= MAX_FILE_BYTES) {
        const size_t at = content.size();
        const size_t piece = std::max(content.capacity() - at, PIECE);
        content.resize(at + piece);
        in.read(content.data() + at, static_cast<std::streamsize>(piece));
        content.resize(at + static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) throw InputError{path + ": cannot read the file"};
    if (content.size() > MAX_FILE_BYTES)
        throw InputError{path + ": the file is larger than " + SizeText(MAX_FILE_BYTES) +
                         ", more than a score can be"};
    return content;
}

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

Archive OpenArchive(const std::string& bytes, const std::string& name, bool writable) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source) throw InputError{name + ": cannot read the archive"};
    zip_t* archive = zip_open_from_source(source, writable ? 0 : ZIP_RDONLY, &error);
    if (!archive) {
        const std::string reason = zip_error_strerror(&error);
        zip_source_free(source);
        zip_error_fini(&error);
        throw InputError{name + ": not a readable .mxl archive (" + reason + ")"};
    }
    zip_error_fini(&error);
    return Archive(archive);
}

/// True for a member name that could leave the folder an archive is unpacked into: an absolute
/// path, a drive letter, or a ".." component (either slash counts as a separator).
bool IsUnsafeMemberName(const std::string& member) {
    if (member.empty() || member[0] == '/' || member[0] == '\\') return true;
    if (member.size() >= 2 && member[1] == ':') return true;
    size_t start = 0;
    while (start <= member.size()) {
        const size_t end = member.find_first_of("/\\", start);
        const std::string component =
            member.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (component == "..") return true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

/// Refuses archives whose member names are unsafe or whose members are too many.
void CheckMembers(zip_t* archive, const std::string& name) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count > MAX_ARCHIVE_MEMBERS)
        throw InputError{name + ": the archive has " + std::to_string(count) +
                         " members, more than " + std::to_string(MAX_ARCHIVE_MEMBERS)};
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* member = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        if (!member) throw InputError{name + ": the archive has a member without a name"};
        if (IsUnsafeMemberName(member))
            throw InputError{name +
                             ": the archive holds a member with an absolute or \"..\" "
                             "path (" +
                             member + ")"};
    }
}

/// The bytes of a member, refused when it unpacks to more than `limit` bytes (the size the
/// archive states is checked before anything is unpacked, and the unpacking stops at the limit
/// whatever the archive states).
std::string ReadMember(zip_t* archive, const std::string& member, const std::string& name,
                       size_t limit) {
    zip_stat_t stat;
    if (zip_stat(archive, member.c_str(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        throw InputError{name + ": the archive has no member " + member};
    const std::string tooLarge =
        name + ": " + member + " unpacks to more than " + SizeText(limit) + "; refused";
    if (stat.size > limit) throw InputError{tooLarge};
    zip_file_t* file = zip_fopen(archive, member.c_str(), 0);
    if (!file) throw InputError{name + ": cannot open " + member + " in the archive"};
    std::string content(stat.size, '\0');
    const zip_int64_t read = zip_fread(file, content.data(), stat.size);
    char extra;
    const zip_int64_t more = read >= 0 ? zip_fread(file, &extra, 1) : 0;
    zip_fclose(file);
    if (more > 0) throw InputError{tooLarge};
    if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size)
        throw InputError{name + ": cannot read " + member + " from the archive"};
    return content;
}

/// The score's member: the first rootfile of META-INF/container.xml that the archive holds.
std::string ScoreMember(zip_t* archive, const std::string& name) {
    if (zip_name_locate(archive, "META-INF/container.xml", 0) < 0)
        throw InputError{name + ": not an .mxl archive: it has no META-INF/container.xml"};
    const std::string container =
        ReadMember(archive, "META-INF/container.xml", name, MAX_CONTAINER_BYTES);
    pugi::xml_document document;
    if (!document.load_buffer(container.data(), container.size()))
        throw InputError{name + ": META-INF/container.xml is not well-formed XML"};
    for (pugi::xpath_node rootfile : document.select_nodes("//rootfile")) {
        const char* path = rootfile.node().attribute("full-path").value();
        if (*path && zip_name_locate(archive, path, 0) >= 0) return path;
    }
    throw InputError{name + ": META-INF/container.xml names no score that the archive holds"};
}

} // namespace

LoadedFile ReadScoreFile(const std::string& path) {
    LoadedFile loaded;
    std::string bytes = ReadWholeFile(path);
    if (bytes.size() >= 4 && bytes.compare(0, 4, "PK\x03\x04") == 0) {
        Archive archive = OpenArchive(bytes, path, false);
        CheckMembers(archive.get(), path);
        loaded.member = ScoreMember(archive.get(), path);
        loaded.bytes = ReadMember(archive.get(), loaded.member, path, MAX_MEMBER_BYTES);
        loaded.compressed = true;
        loaded.archive = std::move(bytes);
        return loaded;
    }
    loaded.bytes = std::move(bytes);
    return loaded;
}

std::string ReplaceArchiveMember(const std::string& archiveBytes, const std::string& member,
                                 const std::string& content) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!source) throw InputError{"cannot create an archive in memory"};
    // Work on an in-memory copy: begin with the original bytes, then replace the member.
    zip_source_keep(source);
    if (zip_source_begin_write(source) != 0 ||
        zip_source_write(source, archiveBytes.data(), archiveBytes.size()) < 0 ||
        zip_source_commit_write(source) != 0) {
        zip_source_free(source);
        throw InputError{"cannot copy the archive in memory"};
    }
    zip_t* archive = zip_open_from_source(source, 0, &error);
    if (!archive) {
        zip_source_free(source);
        throw InputError{"cannot reopen the archive in memory"};
    }
    zip_source_t* data = zip_source_buffer(archive, content.data(), content.size(), 0);
    const zip_int64_t index = zip_name_locate(archive, member.c_str(), 0);
    const bool replaced =
        data && (index >= 0 ? zip_file_replace(archive, static_cast<zip_uint64_t>(index), data, 0)
                            : zip_file_add(archive, member.c_str(), data, 0)) >= 0;
    if (!replaced) {
        if (data) zip_source_free(data);
        zip_discard(archive);
        zip_source_free(source);
        throw InputError{"cannot replace " + member + " in the archive"};
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        zip_source_free(source);
        throw InputError{"cannot write the archive"};
    }
    std::string result;
    zip_stat_t stat;
    if (zip_source_stat(source, &stat) == 0 && zip_source_open(source) == 0) {
        result.resize(stat.size);
        const zip_int64_t read = zip_source_read(source, result.data(), stat.size);
        zip_source_close(source);
        if (read < 0) result.clear();
    }
    zip_source_free(source);
    zip_error_fini(&error);
    if (result.empty()) throw InputError{"cannot read back the written archive"};
    return result;
}

} // namespace cadentra_cli
