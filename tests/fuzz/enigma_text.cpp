// Fuzzes the Enigma text operations of FCString and FCFontInfo on arbitrary text. The input is the
// text itself: 8-bit bytes when the first byte is even, 16-bit units when it is odd (so that units
// whose low byte is a caret or a parenthesis occur too). Checked besides memory safety: the
// commands that CreateEnigmaStrings finds are exactly what TrimEnigmaTags removes; the font
// commands' removal keeps the plain text; parsed runs are the text without its separators; the
// font in force does not depend on the plain text; a font written as commands reads back as itself.
#include "finaleframework/core/FCFontInfo.h"
#include "finaleframework/core/FCString.h"
#include "finaleframework/core/FCStrings.h"

#include "support/FuzzHost.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Units = std::vector<twobyte>;

constexpr size_t MAX_UNITS = 2000;
constexpr twobyte CARET = '^';
constexpr twobyte CLOSE = ')';

Units Contents(const FCString& s) {
    Units out(static_cast<size_t>(s.GetLength()) + 1);
    s.GetUnicodeString(out.data());
    out.pop_back();
    return out;
}

FCString Make(const Units& units) {
    Units text = units;
    text.push_back(0);
    FCString s;
    s.SetUnicodeString(text.data());
    return s;
}

FCString* Element(FCStrings* strings, int index) {
    return static_cast<FCString*>(strings->GetItemAt(index));
}

bool HasEscapedCaret(const Units& units) {
    for (size_t i = 0; i + 1 < units.size(); ++i)
        if (units[i] == CARET && units[i + 1] == CARET) return true;
    return false;
}

void CheckCommands(const Units& text) {
    FCString source = Make(text);
    std::unique_ptr<FCStrings> commands(source.CreateEnigmaStrings());
    FUZZ_REQUIRE(commands != nullptr);
    FUZZ_REQUIRE(Contents(source) == text);

    size_t commandUnits = 0;
    Units commandsOnly;
    for (int c = 0; c < commands->GetCount(); ++c) {
        const Units command = Contents(*Element(commands.get(), c));
        FUZZ_REQUIRE(!command.empty() && command.front() == CARET);
        // Only the last command may be open (it then runs to the end of the text).
        for (size_t i = 1; i + 1 < command.size(); ++i)
            FUZZ_REQUIRE(command[i] != CLOSE);
        if (c + 1 < commands->GetCount()) FUZZ_REQUIRE(command.back() == CLOSE);
        commandUnits += command.size();
        commandsOnly.insert(commandsOnly.end(), command.begin(), command.end());

        std::unique_ptr<FCStrings> components(Element(commands.get(), c)->CreateEnigmaComponents());
        FUZZ_REQUIRE((components != nullptr) == (command.size() >= 2));
        for (int k = 0; components && k < components->GetCount(); ++k) {
            const Units component = Contents(*Element(components.get(), k));
            FUZZ_REQUIRE(!component.empty());
            for (twobyte unit : component)
                FUZZ_REQUIRE(unit != ',' && unit != '(' && unit != ')');
        }
    }

    // Every command goes, every escaped pair becomes one caret, and nothing else changes length.
    FCString trimmed = Make(text);
    const bool removed = trimmed.TrimEnigmaTags();
    const Units plain = Contents(trimmed);
    FUZZ_REQUIRE(removed == (commands->GetCount() > 0));
    size_t carets = 0;
    for (twobyte unit : plain)
        carets += unit == CARET;
    FUZZ_REQUIRE(plain.size() + commandUnits + carets == text.size());

    FCString withoutFonts = Make(text);
    const bool fontsRemoved = withoutFonts.TrimEnigmaFontTags();
    FUZZ_REQUIRE(withoutFonts.GetLength() <= static_cast<int>(text.size()));
    if (fontsRemoved) FUZZ_REQUIRE(removed);
    if (!HasEscapedCaret(text)) {
        // Without escaped carets, what is left is the plain text with other commands intact.
        FCString rest = Make(Contents(withoutFonts));
        rest.TrimEnigmaTags();
        FUZZ_REQUIRE(Contents(rest) == plain);
    }

    // The font in force comes from the commands alone.
    std::unique_ptr<FCFontInfo> font(source.CreateLastFontInfo());
    FUZZ_REQUIRE(std::strlen(font->GetName()) < FCFontInfo::NAME_CAPACITY);
    FCString commandText = Make(commandsOnly);
    std::unique_ptr<FCFontInfo> fromCommands(commandText.CreateLastFontInfo());
    FUZZ_REQUIRE(font->IsIdenticalTo(fromCommands.get()));
    FUZZ_REQUIRE(font->GetEffects() == fromCommands->GetEffects());

    // Written as commands and read back, a font is itself, unless its name would not survive as
    // a command argument.
    const char* name = font->GetName();
    if (*name && !std::strpbrk(name, ",()^") && std::strncmp(name, "Font", 4) != 0) {
        FCString written;
        font->MakeEnigmaString(&written);
        std::unique_ptr<FCFontInfo> reread(written.CreateLastFontInfo());
        FUZZ_REQUIRE(font->IsIdenticalTo(reread.get()));
        FUZZ_REQUIRE(font->GetEffects() == reread->GetEffects());
    }
}

void CheckParsing(const Units& text, const char* separators) {
    FCString source = Make(text);
    std::unique_ptr<FCStrings> runs(source.CreateParsedStrings(separators));
    FUZZ_REQUIRE(runs != nullptr);
    auto isSeparator = [&](twobyte unit) {
        if (!separators) return false;
        for (const char* c = separators; *c; ++c)
            if (unit == static_cast<twobyte>(static_cast<signed char>(*c))) return true;
        return false;
    };
    Units kept;
    for (twobyte unit : text)
        if (!isSeparator(unit)) kept.push_back(unit);
    Units joined;
    for (int r = 0; r < runs->GetCount(); ++r) {
        const Units run = Contents(*Element(runs.get(), r));
        FUZZ_REQUIRE(!run.empty());
        for (twobyte unit : run)
            FUZZ_REQUIRE(!isSeparator(unit));
        joined.insert(joined.end(), run.begin(), run.end());
    }
    FUZZ_REQUIRE(joined == kept);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    fuzz_support::FreshHost().NewDocument();
    if (size == 0) return 0;
    Units text;
    if (bytes[0] % 2 == 0) {
        for (size_t i = 1; i < size && text.size() < MAX_UNITS && bytes[i] != 0; ++i)
            text.push_back(static_cast<twobyte>(static_cast<signed char>(bytes[i])));
    } else {
        for (size_t i = 1; i + 1 < size && text.size() < MAX_UNITS; i += 2) {
            twobyte unit;
            std::memcpy(&unit, bytes + i, sizeof unit);
            if (unit == 0) break;
            text.push_back(unit);
        }
    }
    CheckCommands(text);

    static const char* const SEPARATORS[] = {",()", ",", " ", "", nullptr, "\xE9^", "()"};
    CheckParsing(text, SEPARATORS[bytes[0] / 2 % (sizeof SEPARATORS / sizeof *SEPARATORS)]);
    return 0;
}
