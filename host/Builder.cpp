#include "host/Builder.h"

#include "host/EntryDetails.h"
#include "host/Frames.h"
#include "host/MeasureRecord.h"
#include "host/StaffRecords.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace host {

EREGION Region(twobyte startSlot, twobyte endSlot, twobyte startMeasure, twobyte endMeasure,
               fourbyte startPos, fourbyte endPos, utwobyte list) {
    EREGION region{};
    region.startInstrumentList = list;
    region.startSlot = startSlot;
    region.startMeasure = startMeasure;
    region.startPos = startPos;
    region.endInstrumentList = list;
    region.endSlot = endSlot;
    region.endMeasure = endMeasure;
    region.endPos = endPos;
    return region;
}

DocumentBuilder& DocumentBuilder::Staff(twobyte number, const std::string& name) {
    document_.staves.push_back(
        host::Staff{number, name.empty() ? "Staff " + std::to_string(number) : name});
    document_.instrumentLists[0].push_back(number);
    WriteStaffRecord(document_, number);
    return *this;
}

DocumentBuilder& DocumentBuilder::Staves(int count) {
    twobyte highest = 0;
    for (const auto& staff : document_.staves)
        highest = std::max(highest, staff.number);
    for (int i = 1; i <= count; ++i)
        Staff(static_cast<twobyte>(highest + i));
    return *this;
}

DocumentBuilder& DocumentBuilder::Measures(int count, twobyte beats, fourbyte beatDuration) {
    for (int i = 0; i < count; ++i) {
        const utwobyte key = document_.measures.empty() ? 0 : document_.measures.back().keyValue;
        document_.measures.push_back(Measure{beats, beatDuration, key});
        WriteMeasureRecord(document_, static_cast<twobyte>(document_.measures.size()));
    }
    return *this;
}

DocumentBuilder& DocumentBuilder::TimeSignature(twobyte measure, twobyte beats,
                                                fourbyte beatDuration) {
    if (measure >= 1 && static_cast<size_t>(measure) <= document_.measures.size()) {
        Measure& target = document_.measures[static_cast<size_t>(measure) - 1];
        target.beats = beats;
        target.beatDuration = beatDuration;
        WriteMeasureRecord(document_, measure);
    }
    return *this;
}

DocumentBuilder& DocumentBuilder::KeySignature(twobyte measure, int accidentals, bool minor) {
    return KeyValue(measure, StandardKeyValue(accidentals, minor));
}

DocumentBuilder& DocumentBuilder::KeyValue(twobyte measure, utwobyte keyValue) {
    if (measure < 1) return *this;
    for (size_t m = static_cast<size_t>(measure); m <= document_.measures.size(); ++m) {
        document_.measures[m - 1].keyValue = keyValue;
        WriteMeasureRecord(document_, static_cast<twobyte>(m));
    }
    return *this;
}

DocumentBuilder& DocumentBuilder::InstrumentList(utwobyte list, std::vector<twobyte> staves) {
    document_.instrumentLists[list] = std::move(staves);
    return *this;
}

DocumentBuilder& DocumentBuilder::HideLayer(int layerIndex) {
    if (layerIndex >= 0 && layerIndex < static_cast<int>(document_.layerShown.size()))
        document_.layerShown[static_cast<size_t>(layerIndex)] = false;
    return *this;
}

DocumentBuilder& DocumentBuilder::MaxLayers(twobyte layers) {
    document_.maxLayers = layers;
    return *this;
}

DocumentBuilder& DocumentBuilder::PageView(twobyte page) {
    document_.window.pageView = true;
    document_.window.currentPage = page;
    return *this;
}

DocumentBuilder& DocumentBuilder::ScrollView() {
    document_.window.pageView = false;
    return *this;
}

DocumentBuilder& DocumentBuilder::Zoom(twobyte percent) {
    document_.window.zoomLevel = percent;
    return *this;
}

DocumentBuilder& DocumentBuilder::NoWindow() {
    document_.window.open = false;
    return *this;
}

DocumentBuilder& DocumentBuilder::Part(twobyte id, const std::string& name) {
    document_.parts.push_back(host::Part{id, name});
    return *this;
}

DocumentBuilder& DocumentBuilder::Select(const EREGION& region) {
    document_.selection = region;
    return *this;
}

LayerBuilder DocumentBuilder::Layer(twobyte staff, twobyte measure, twobyte layerIndex) {
    return LayerBuilder(document_, staff, measure, layerIndex);
}

// Layers -------------------------------------------------------------------------------------

namespace {

constexpr size_t ARTICULATION_RECORD_SIZE = 10;

/// The number of records of `tag` under an entry: 0, 1, ... up to the first missing one.
twobyte CountDetails(const Document& document, EXTAG tag, fourbyte entryNumber) {
    twobyte count = 0;
    while (document.records.count(DetailKey(tag, entryNumber, count)))
        ++count;
    return count;
}

const std::vector<unsigned char>* FindDetail(const Document& document, EXTAG tag,
                                             fourbyte entryNumber, twobyte inci) {
    auto it = document.records.find(DetailKey(tag, entryNumber, inci));
    return it == document.records.end() ? nullptr : &it->second;
}

/// The key value in force in `measure`: its measure record's, C major without one.
utwobyte KeyOf(const Document& document, twobyte measure) {
    return ReadMeasureKeyValue(document, measure).value_or(0);
}

void AddTupletRecord(Document& document, EXENTRY& entry, const TupletDefinition& definition) {
    EDTTuplet2005 record{};
    definition.Write(record);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    const twobyte inci = CountDetails(document, TAG_TUPLET, entry.entryNumber);
    document.records[DetailKey(TAG_TUPLET, entry.entryNumber, inci)].assign(bytes,
                                                                            bytes + sizeof record);
    entry.entryFlags |= ENTRY_TUPLETSTART;
}

void AddArticulationRecord(Document& document, EXENTRY& entry, twobyte definitionID) {
    std::vector<unsigned char> record(ARTICULATION_RECORD_SIZE, 0);
    std::memcpy(record.data(), &definitionID, sizeof definitionID);
    const twobyte inci = CountDetails(document, TAG_ARTICULATION, entry.entryNumber);
    document.records[DetailKey(TAG_ARTICULATION, entry.entryNumber, inci)] = std::move(record);
    entry.entryFlags |= ENTRY_ARTICULATION;
}

} // namespace

LayerBuilder::LayerBuilder(Document& document, twobyte staff, twobyte measure, twobyte layerIndex)
    : document_(document), staff_(staff), measure_(measure), layerIndex_(layerIndex) {}

LayerBuilder& LayerBuilder::Notes(std::string_view music) {
    const auto measures = ParseMusic(
        music, [this](size_t m) { return KeyOf(document_, static_cast<twobyte>(measure_ + m)); });
    for (size_t m = 0; m < measures.size(); ++m) {
        if (m > 0) NextMeasure();
        for (const EntrySpec& entry : measures[m])
            Entry(entry);
    }
    return *this;
}

LayerBuilder& LayerBuilder::Note(std::string_view pitch, fourbyte duration) {
    return Chord({std::string(pitch)}, duration);
}

LayerBuilder& LayerBuilder::Chord(const std::vector<std::string>& pitches, fourbyte duration) {
    EntrySpec entry;
    entry.rest = false;
    entry.duration = duration;
    for (const std::string& name : pitches) {
        auto pitch = PitchFromName(name, KeyOf(document_, measure_));
        if (!pitch) throw std::invalid_argument("malformed pitch '" + name + "'");
        entry.pitches.push_back(*pitch);
    }
    return Entry(entry);
}

LayerBuilder& LayerBuilder::Rest(fourbyte duration) {
    EntrySpec entry;
    entry.duration = duration;
    return Entry(entry);
}

LayerBuilder& LayerBuilder::Entry(const EntrySpec& spec) {
    if (spec.pitches.size() > static_cast<size_t>(EXENTRY_MAXNOTES))
        throw std::invalid_argument("an entry holds at most twelve notes");
    if (!spec.rest && spec.pitches.empty())
        throw std::invalid_argument("a note entry needs a pitch");
    EXENTRY entry{};
    entry.entryNumber = document_.nextEntryNumber++;
    entry.duration = static_cast<twobyte>(spec.duration);
    entry.entryFlags = ENTRY_INUSE | (spec.rest ? 0 : ENTRY_NOTE);
    entry.noteCount = static_cast<twobyte>(spec.rest ? 0 : spec.pitches.size());
    for (int i = 0; i < entry.noteCount; ++i) {
        EXNOTE& note = entry.notes[i];
        note.displacement = spec.pitches[static_cast<size_t>(i)].displacement;
        note.raiseLower = spec.pitches[static_cast<size_t>(i)].raiseLower;
        note.noteID = static_cast<twobyte>(i + 1);
        note.noteFlags = NOTE_INUSE | (static_cast<ufourbyte>(i + 1) << NOTE_IDBITS_SHIFT) |
                         (IsNoteTied(spec, static_cast<size_t>(i)) ? NOTE_TIE : 0);
    }
    for (const TupletDefinition& tuplet : spec.tuplets)
        AddTupletRecord(document_, entry, tuplet);
    for (twobyte id : spec.articulations)
        AddArticulationRecord(document_, entry, id);

    std::vector<EXENTRY>& entries = document_.frames[Key()];
    entries.push_back(entry);
    hasLast_ = true;
    lastKey_ = Key();
    lastIndex_ = entries.size() - 1;
    RetimeFrame(document_, lastKey_);
    return *this;
}

EXENTRY& LayerBuilder::LastEntry() {
    auto it = document_.frames.find(lastKey_);
    if (!hasLast_ || it == document_.frames.end() || lastIndex_ >= it->second.size())
        throw std::logic_error("no entry to modify");
    return it->second[lastIndex_];
}

LayerBuilder& LayerBuilder::Tie() {
    EXENTRY& entry = LastEntry();
    if (!(entry.entryFlags & ENTRY_NOTE)) throw std::logic_error("a rest cannot be tied");
    for (int i = 0; i < entry.noteCount; ++i)
        entry.notes[i].noteFlags |= NOTE_TIE;
    return *this;
}

LayerBuilder& LayerBuilder::Tuplet(twobyte number, twobyte referenceNumber, fourbyte unitDuration) {
    AddTupletRecord(document_, LastEntry(),
                    TupletDefinition{number, unitDuration, referenceNumber, unitDuration});
    RetimeFrame(document_, lastKey_);
    return *this;
}

LayerBuilder& LayerBuilder::Articulation(twobyte definitionID) {
    AddArticulationRecord(document_, LastEntry(), definitionID);
    return *this;
}

LayerBuilder& LayerBuilder::NextMeasure() {
    ++measure_;
    return *this;
}

// Reading layers back ----------------------------------------------------------------------------

EntrySpec ReadEntry(const Document& document, const EXENTRY& entry) {
    EntrySpec spec;
    spec.duration = entry.duration;
    spec.rest = !(entry.entryFlags & ENTRY_NOTE);
    if (!spec.rest) {
        const int count = std::clamp<int>(entry.noteCount, 0, EXENTRY_MAXNOTES);
        for (int i = 0; i < count; ++i) {
            spec.pitches.push_back(
                NotePitch{entry.notes[i].displacement, entry.notes[i].raiseLower});
            if (entry.notes[i].noteFlags & NOTE_TIE)
                spec.tiedNotes.push_back(static_cast<size_t>(i));
        }
        if (count > 0 && spec.tiedNotes.size() == static_cast<size_t>(count)) {
            spec.tiedNotes.clear();
            spec.tie = true;
        }
    }
    if (entry.entryNumber == 0) return spec;
    for (twobyte inci = 0;; ++inci) {
        const auto* record = FindDetail(document, TAG_TUPLET, entry.entryNumber, inci);
        if (!record) break;
        EDTTuplet2005 tuplet{};
        std::memcpy(&tuplet, record->data(), std::min(record->size(), sizeof tuplet));
        spec.tuplets.push_back(TupletDefinition::Read(tuplet));
    }
    for (twobyte inci = 0;; ++inci) {
        const auto* record = FindDetail(document, TAG_ARTICULATION, entry.entryNumber, inci);
        if (!record || record->size() < sizeof(twobyte)) break;
        twobyte id;
        std::memcpy(&id, record->data(), sizeof id);
        spec.articulations.push_back(id);
    }
    return spec;
}

std::vector<std::vector<EntrySpec>> ReadLayer(const Document& document, twobyte staff,
                                              twobyte measureFrom, twobyte measureTo,
                                              twobyte layerIndex) {
    std::vector<std::vector<EntrySpec>> measures;
    for (int measure = measureFrom; measure <= measureTo; ++measure) {
        std::vector<EntrySpec> entries;
        if (const auto* stored =
                StoredEntries(document, staff, static_cast<twobyte>(measure), layerIndex))
            for (const EXENTRY& entry : *stored)
                entries.push_back(ReadEntry(document, entry));
        measures.push_back(std::move(entries));
    }
    return measures;
}

std::string DescribeLayer(const Document& document, twobyte staff, twobyte measureFrom,
                          twobyte measureTo, twobyte layerIndex) {
    return FormatMusic(
        ReadLayer(document, staff, measureFrom, measureTo, layerIndex),
        [&](size_t m) { return KeyOf(document, static_cast<twobyte>(measureFrom + m)); });
}

DocumentBuilder& DocumentBuilder::Record(EXTAG tag, twobyte w0, twobyte w1, twobyte w2,
                                         std::vector<unsigned char> bytes) {
    RecordKey key;
    key.tag = tag;
    const twobyte words[3] = {w0, w1, w2};
    std::memcpy(key.key.data(), words, sizeof words);
    document_.records[key] = std::move(bytes);
    return *this;
}

DocumentBuilder& DocumentBuilder::DetailRecord(EXTAG tag, fourbyte entnum, twobyte inci,
                                               std::vector<unsigned char> bytes) {
    document_.records[DetailKey(tag, entnum, inci)] = std::move(bytes);
    return *this;
}

} // namespace host
