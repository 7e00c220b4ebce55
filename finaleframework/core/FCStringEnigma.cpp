// The Enigma text operations of FCString: taking caret commands apart, stripping them and reading
// the font in force at the end of a text.
#include "finaleframework/core/FCString.h"

#include "finaleframework/core/FCFontInfo.h"
#include "finaleframework/core/FCStrings.h"

#include <memory>

namespace {

constexpr twobyte CARET = '^';
constexpr twobyte CLOSE = ')';

/// Commands that set the font, size or effects; a prefix test, so "^fontMus" is caught by "^font".
constexpr const char* FONT_COMMAND_PREFIXES[] = {"^font",    "^Font", "^fontMus", "^fontTxt",
                                                 "^fontNum", "^nfx",  "^size"};

bool IsFontCommand(FCString* command) {
    for (const char* prefix : FONT_COMMAND_PREFIXES)
        if (command->StartsWith(prefix)) return true;
    return false;
}

bool IsFontCommandName(FCString* name) {
    return name->IsEqual("fontMus") || name->IsEqual("fontTxt") || name->IsEqual("fontNum") ||
           name->IsEqual("font");
}

} // namespace

bool FCString::TrimEnigmaTags() {
    bool removed = false;
    bool inCommand = false;
    int w = 0;
    for (int i = 0; i < _length; ++i) {
        const twobyte ch = _buffer[i];
        if (inCommand) {
            if (ch == CLOSE) inCommand = false;
            continue;
        }
        if (ch != CARET) {
            _buffer[w++] = ch;
        } else if (i + 1 < _length && _buffer[i + 1] == CARET) {
            _buffer[w++] = CARET;
            ++i;
        } else {
            inCommand = true;
            removed = true;
        }
    }
    _length = w;
    return removed;
}

bool FCString::TrimEnigmaFontTags() {
    bool removed = false;
    bool inCommand = false;
    FCString text;
    FCString command;
    for (int i = 0; i < _length; ++i) {
        const twobyte ch = _buffer[i];
        if (inCommand) {
            command.Append(ch);
            if (ch != CLOSE) continue;
            inCommand = false;
            if (IsFontCommand(&command))
                removed = true;
            else
                text.Append(&command);
        } else if (ch != CARET) {
            text.Append(ch);
        } else if (i + 1 < _length && _buffer[i + 1] == CARET) {
            text.Append(CARET);
            ++i;
        } else {
            inCommand = true;
            command.SetCString("^");
        }
    }
    SetString(&text);
    return removed;
}

FCStrings* FCString::CreateEnigmaStrings() {
    auto* strings = new FCStrings;
    FCString* current = nullptr; // the command being read, owned by `strings`
    for (int i = 0; i < _length; ++i) {
        const twobyte ch = _buffer[i];
        if (current) {
            current->Append(ch);
            if (ch == CLOSE) current = nullptr;
        } else if (ch == CARET) {
            if (i + 1 < _length && _buffer[i + 1] == CARET) {
                ++i;
            } else {
                current = new FCString("^");
                strings->Add(current);
            }
        }
    }
    return strings;
}

FCStrings* FCString::CreateEnigmaComponents() {
    if (_length < 2 || _buffer[0] != CARET) return nullptr;
    FCString body;
    for (int i = 1; i < _length; ++i)
        body.Append(_buffer[i]);
    return body.CreateParsedStrings(",()");
}

FCStrings* FCString::CreateParsedStrings(const char* separators) {
    auto* strings = new FCStrings;
    FCString* run = nullptr; // the run being read, owned by `strings`
    for (int i = 0; i < _length; ++i) {
        if (IsCharacter(i, separators)) {
            run = nullptr;
            continue;
        }
        if (!run) {
            run = new FCString;
            strings->Add(run);
        }
        run->Append(_buffer[i]);
    }
    return strings;
}

FCFontInfo* FCString::CreateLastFontInfo() {
    auto* font = new FCFontInfo;
    std::unique_ptr<FCStrings> commands(CreateEnigmaStrings());
    for (int c = 0; c < commands->GetCount(); ++c) {
        auto* command = static_cast<FCString*>(commands->GetItemAt(c));
        std::unique_ptr<FCStrings> components(command->CreateEnigmaComponents());
        if (!components || components->GetCount() < 2) continue;
        auto* name = static_cast<FCString*>(components->GetItemAt(0));
        auto* argument = static_cast<FCString*>(components->GetItemAt(1));
        if (IsFontCommandName(name)) {
            if (argument->StartsWith("Font"))
                font->SetNameByID(static_cast<twobyte>(argument->GetInteger(4)));
            else
                font->SetName(argument->GetCString());
        } else if (name->IsEqual("nfx")) {
            font->SetEffects(static_cast<utwobyte>(argument->GetInteger(0)));
        } else if (name->IsEqual("size")) {
            font->SetSize(static_cast<twobyte>(argument->GetInteger(0)));
        }
    }
    return font;
}
