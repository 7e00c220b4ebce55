// Fuzzes FCString: a sequence of operations with arbitrary texts, characters, positions and numbers
// runs against two strings, and after every step each string is compared with a plain model: its
// 16-bit units and the capacity that the growth rule gives it.
#include "finaleframework/core/FCString.h"

#include "support/FuzzHost.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Units = std::vector<twobyte>;

/// What a string should hold: its characters and the slots allocated for them.
struct Model {
    Units units;
    int capacity = 0;

    size_t size() const { return units.size(); }
    /// The growth rule: an operation about to hold `needed` characters leaves a string with at
    /// least one free slot, growing in steps of ten only when it has none.
    void Grow(size_t needed) {
        if (static_cast<int>(needed) < capacity) return;
        capacity = static_cast<int>((needed + 10) / 10 * 10);
    }
    /// An assignment (SetCString, SetUnicodeString): grown to the text, released when empty.
    void Assign(const Units& text) {
        Grow(text.size());
        units = text;
        if (units.empty()) capacity = 0;
    }
    void Append(const Units& added) {
        Grow(units.size() + added.size());
        units.insert(units.end(), added.begin(), added.end());
    }
    /// SetString: the empty string (no storage), then the source appended.
    void CopyOf(const Units& source) {
        Assign({});
        Append(source);
    }
};

constexpr int MAX_OPERATIONS = 64;
constexpr size_t MAX_TEXT = 300;
// Self-appends double a string; a run stops once a string is this long.
constexpr size_t MAX_LENGTH = 4000;

twobyte Widen(char c) {
    return static_cast<twobyte>(static_cast<signed char>(c));
}

/// The units of a zero-terminated 8-bit text.
Units Widened(const char* text) {
    Units units;
    for (const char* c = text; *c; ++c)
        units.push_back(Widen(*c));
    return units;
}

/// The 8-bit form of some units as a zero-terminated text reads it: up to the first zero byte.
std::string CText(const Units& units) {
    std::string text;
    for (twobyte unit : units) {
        const char c = static_cast<char>(unit & 0xFF);
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

Units Contents(const FCString& s) {
    Units out(static_cast<size_t>(s.GetLength()) + 1, 0x5A5A);
    s.GetUnicodeString(out.data());
    FUZZ_REQUIRE(out.back() == 0);
    out.pop_back();
    return out;
}

void CheckStorage(const FCString& s) {
    FUZZ_REQUIRE(s.GetLength() >= 0);
    FUZZ_REQUIRE(s._GetCapacity() >= 0 && s._GetCapacity() % 10 == 0);
    FUZZ_REQUIRE((s._GetCapacity() == 0) == (s._GetBuffer() == nullptr));
    if (s.GetLength() > 0) FUZZ_REQUIRE(s.GetLength() < s._GetCapacity());
}

void CheckAgainstModel(FCString& s, const Model& model) {
    CheckStorage(s);
    FUZZ_REQUIRE(s._GetCapacity() == model.capacity);
    FUZZ_REQUIRE(s.GetLength() == static_cast<int>(model.size()));
    FUZZ_REQUIRE(Contents(s) == model.units);
    const char* c = s.GetCString();
    for (size_t i = 0; i < model.size(); ++i)
        FUZZ_REQUIRE(c[i] == static_cast<char>(model.units[i] & 0xFF));
    FUZZ_REQUIRE(c[model.size()] == 0);
}

std::string Text(FuzzedDataProvider& data) {
    return data.ConsumeRandomLengthString(MAX_TEXT);
}

Units UnicodeText(FuzzedDataProvider& data) {
    Units units;
    const size_t count = data.ConsumeIntegralInRange<size_t>(0, MAX_TEXT / 2);
    for (size_t i = 0; i < count; ++i) {
        const auto unit = data.ConsumeIntegral<twobyte>();
        if (unit == 0) break;
        units.push_back(unit);
    }
    return units;
}

/// An index near the string: mostly inside, sometimes just outside or far away.
int Index(FuzzedDataProvider& data, const Model& model) {
    const int length = static_cast<int>(model.size());
    switch (data.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return data.ConsumeIntegral<int>();
    case 1:
        return length;
    default:
        return data.ConsumeIntegralInRange(-2, length + 2);
    }
}

void RunOperation(FuzzedDataProvider& data, FCString* strings, Model* models) {
    const int which = data.ConsumeIntegralInRange(0, 1);
    FCString& s = strings[which];
    Model& model = models[which];
    FCString& other = strings[1 - which];
    const Model& otherModel = models[1 - which];

    switch (data.ConsumeIntegralInRange(0, 21)) {
    case 0: {
        const std::string text = Text(data);
        s.SetCString(text.c_str());
        model.Assign(Widened(text.c_str()));
        break;
    }
    case 1: {
        Units text = UnicodeText(data);
        model.Assign(text);
        text.push_back(0);
        s.SetUnicodeString(text.data());
        break;
    }
    case 2: {
        const auto ch = data.ConsumeIntegral<twobyte>();
        s.Append(ch);
        model.Append({ch});
        break;
    }
    case 3: {
        const std::string text = Text(data);
        s.Append(text.c_str());
        model.Append(Widened(text.c_str()));
        break;
    }
    case 4: {
        const bool self = data.ConsumeBool();
        const Units added = self ? model.units : otherModel.units;
        s.Append(self ? &s : &other);
        model.Append(added);
        break;
    }
    case 5: {
        const int value = data.ConsumeIntegral<int>();
        s.AppendInteger(value);
        model.Append(Widened(std::to_string(value).c_str()));
        break;
    }
    case 6: {
        const int value = data.ConsumeIntegral<int>();
        s.SetInteger(value);
        model.Assign(Widened(std::to_string(value).c_str()));
        FUZZ_REQUIRE(s.GetInteger(0) == value);
        break;
    }
    case 7: {
        const std::string text = Text(data);
        const int position = Index(data, model);
        s.Insert(text.c_str(), position);
        // A position outside the string leaves it alone; inside, the string grows once to its
        // final length.
        if (position >= 0 && position <= static_cast<int>(model.size())) {
            const Units added = Widened(text.c_str());
            model.Grow(model.size() + added.size());
            model.units.insert(model.units.begin() + position, added.begin(), added.end());
        }
        break;
    }
    case 8: {
        const int index = Index(data, model);
        const bool inside = index >= 0 && index < static_cast<int>(model.size());
        const Units& units = model.units;
        FUZZ_REQUIRE(s.GetItemAt(index) == (inside ? units[static_cast<size_t>(index)] : 0));
        const auto ch = data.ConsumeBool() && inside ? units[static_cast<size_t>(index)]
                                                     : data.ConsumeIntegral<twobyte>();
        FUZZ_REQUIRE(s.IsCharacter(index, ch) ==
                     (inside && units[static_cast<size_t>(index)] == ch));
        break;
    }
    case 9: {
        const int index = Index(data, model);
        const std::string set = Text(data);
        bool expected = false;
        if (index >= 0 && index < static_cast<int>(model.size()))
            for (char c : CText(Widened(set.c_str())))
                expected = expected || model.units[static_cast<size_t>(index)] == Widen(c);
        FUZZ_REQUIRE(s.IsCharacter(index, set.c_str()) == expected);
        FUZZ_REQUIRE(!s.IsCharacter(index, static_cast<const char*>(nullptr)));
        break;
    }
    case 10: {
        // Both comparisons compare the zero-terminated 8-bit forms: a unit whose low byte is 0
        // ends the text compared.
        const std::string text = data.ConsumeBool() ? CText(model.units) : Text(data);
        FUZZ_REQUIRE(s.IsEqual(text.c_str()) == (CText(model.units) == std::string(text.c_str())));
        FUZZ_REQUIRE(!s.IsEqual(static_cast<const char*>(nullptr)));
        break;
    }
    case 11: {
        FUZZ_REQUIRE(s.IsEqual(&other) == (CText(model.units) == CText(otherModel.units)));
        FUZZ_REQUIRE(s.IsEqual(&other) == s.IsEqual(other.GetCString()));
        FUZZ_REQUIRE(s.IsEqual(&s));
        FUZZ_REQUIRE(!s.IsEqual(static_cast<FCString*>(nullptr)));
        break;
    }
    case 12: {
        const std::string prefix = Text(data);
        const std::string cprefix = prefix.c_str();
        bool expected = model.size() >= cprefix.size();
        for (size_t i = 0; expected && i < cprefix.size(); ++i)
            expected = static_cast<char>(model.units[i] & 0xFF) == cprefix[i];
        FUZZ_REQUIRE(s.StartsWith(cprefix.c_str()) == expected);
        FUZZ_REQUIRE(s.StartsWith(""));
        FUZZ_REQUIRE(!s.StartsWith(nullptr));
        break;
    }
    case 13: {
        int position = -7;
        const bool found = s.Contains(&other, &position);
        const Units& haystack = model.units;
        const Units& needle = otherModel.units;
        int expected = -1;
        if (needle.size() <= haystack.size())
            for (size_t start = 0; expected < 0 && start + needle.size() <= haystack.size();
                 ++start)
                if (std::equal(needle.begin(), needle.end(), haystack.begin() + start))
                    expected = static_cast<int>(start);
        FUZZ_REQUIRE(found == (expected >= 0));
        FUZZ_REQUIRE(position == (found ? expected : -7));
        FUZZ_REQUIRE(s.Contains(&s, nullptr));
        FUZZ_REQUIRE(!s.Contains(nullptr, &position));
        break;
    }
    case 14: {
        const int position = data.ConsumeIntegralInRange(-3, static_cast<int>(model.size()) + 3);
        const int value = s.GetInteger(position);
        const float number = s.GetFloat(position);
        if (position < 0 || position > static_cast<int>(model.size()))
            FUZZ_REQUIRE(value == 0 && number == 0.0f);
        break;
    }
    case 15: {
        const bool self = data.ConsumeBool();
        s.SetString(self ? &s : &other);
        if (!self) model.CopyOf(otherModel.units);
        break;
    }
    case 16: {
        FCString copy(s);
        Model copied;
        copied.CopyOf(model.units);
        CheckAgainstModel(copy, copied);
        copy.Append('x');
        copied.Append({'x'});
        other = copy;
        models[1 - which].CopyOf(copied.units);
        FCString& alias = s;
        s = alias;
        break;
    }
    case 17: {
        // Resource strings: a missing id leaves the fallback text.
        const int id = data.ConsumeIntegral<int>();
        if (!s.LoadResource(id, data.ConsumeBool() ? "FINALE.EXE" : nullptr))
            FUZZ_REQUIRE(s.IsEqual("Resource String Error"));
        model.Assign(Contents(s));
        break;
    }
    case 18: {
        // Null texts and strings change nothing.
        switch (data.ConsumeIntegralInRange(0, 5)) {
        case 0:
            s.SetCString(nullptr);
            break;
        case 1:
            s.SetUnicodeString(nullptr);
            break;
        case 2:
            s.SetString(nullptr);
            break;
        case 3:
            s.Append(static_cast<const char*>(nullptr));
            break;
        case 4:
            s.Append(static_cast<const FCString*>(nullptr));
            break;
        default:
            s.Insert(nullptr, Index(data, model));
            break;
        }
        break;
    }
    default: {
        // The 8-bit form read back keeps the low byte of every unit.
        const std::string text = s.GetCString();
        FUZZ_REQUIRE(text == CText(model.units));
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    fuzz_support::FreshHost();
    FuzzedDataProvider data(bytes, size);
    FCString strings[2];
    Model models[2];
    for (int step = 0; step < MAX_OPERATIONS && data.remaining_bytes() > 0 &&
                       models[0].size() < MAX_LENGTH && models[1].size() < MAX_LENGTH;
         ++step) {
        RunOperation(data, strings, models);
        CheckAgainstModel(strings[0], models[0]);
        CheckAgainstModel(strings[1], models[1]);
    }
    return 0;
}
