// The bytes of a MusicXML document as they came, and a UTF-8 working copy for parsing. Writing
// changes only chosen spans, so the working copy keeps, for every one of its offsets, the offset
// of the same character in the original bytes, and generated text is encoded back into the
// document's own encoding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace cadentra_cli {

enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Latin1 };

/// Raised for input the program cannot use: a file that cannot be read, an archive without a
/// score, a document that is not MusicXML. Exit code 2.
struct InputError {
    std::string message;
};

class SourceText {
public:
    /// Takes the document bytes; `name` is used in messages. Detects the encoding from a byte
    /// order mark or the XML declaration (UTF-8, UTF-16, ISO-8859-1 / Latin-1 / US-ASCII).
    SourceText(std::string bytes, std::string name);

    const std::string& Bytes() const { return bytes_; }
    const std::string& Name() const { return name_; }
    TextEncoding Encoding() const { return encoding_; }

    /// The document as UTF-8, without a byte order mark.
    const std::string& Utf8() const {
        return encoding_ == TextEncoding::Utf8 && prefix_ == 0 ? bytes_ : utf8_;
    }
    /// Offset in Bytes() of the character at `utf8Offset` in Utf8() (Utf8().size() maps to the
    /// end of the bytes).
    size_t ByteOffset(size_t utf8Offset) const;
    /// 1-based line of a working-copy offset, for messages.
    int LineOf(size_t utf8Offset) const;

    /// `text` (ASCII or UTF-8) in the document's encoding; characters Latin-1 cannot hold become
    /// character references.
    std::string Encode(std::string_view text) const;

private:
    std::string bytes_;
    std::string name_;
    TextEncoding encoding_ = TextEncoding::Utf8;
    std::string utf8_;
    size_t prefix_ = 0;             // bytes before the working copy starts (a byte order mark)
    std::vector<uint32_t> offsets_; // working offset -> byte offset; empty when they coincide
};

/// Reads a score file: `.mxl` archives through their container (or the first XML member),
/// anything else as it is. Throws InputError naming the file.
struct LoadedFile {
    std::string bytes;
    bool compressed = false;
    std::string member;  // the score's path inside an archive
    std::string archive; // the archive's own bytes
};
LoadedFile ReadScoreFile(const std::string& path);

/// Replaces (or adds) `member` in a copy of the archive `archiveBytes` and answers the new
/// archive. Throws InputError.
std::string ReplaceArchiveMember(const std::string& archiveBytes, const std::string& member,
                                 const std::string& content);

} // namespace cadentra_cli
