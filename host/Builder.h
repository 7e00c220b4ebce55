// Builds stand-in host documents for tests and programs in a few readable lines:
//
//   host::DocumentBuilder doc(host::Host::Instance().NewDocument());
//   doc.Staves(3).Measures(4).Select(host::Region(1, 1, 1, 2));
//   doc.Layer(1, 1, 0).Notes("C4 q, D4 q~, D4 q, r q | E4+G4 h, C5 e/3:2, B4 e, A4 e, r q!3");
//   doc.Layer(2, 1, 1).Note("C4", 1024).Tie().Note("C4", 512).Tuplet(3, 2, 512).Articulation(5);
//
// Music is written in the notation of host/Notation.h. Layers are 0-based, as in every host call
// (layer 0 is layer 1). Every entry gets the next entry number of the document; its elapsed time
// is computed from the durations and tuplets of its measure; tuplets and articulations are stored
// as detail records under the entry (see host/Frames.h for the tuplet bytes the host reads).
#pragma once

#include "host/Document.h"
#include "host/Notation.h"

#include <string>
#include <string_view>
#include <vector>

namespace host {

/// A selection of slots startSlot..endSlot over measures startMeasure..endMeasure, cut at the
/// given positions (whole measures by default), counted in instrument list `list`.
EREGION Region(twobyte startSlot, twobyte endSlot, twobyte startMeasure, twobyte endMeasure,
               fourbyte startPos = 0, fourbyte endPos = EREGION_END_OF_MEASURE, utwobyte list = 0);

/// Appends entries to one layer of one staff, from a measure on. The modifiers (Tie, Tuplet,
/// Articulation) act on the entry added last and throw std::logic_error when there is none.
class LayerBuilder {
public:
    LayerBuilder(Document& document, twobyte staff, twobyte measure, twobyte layerIndex);

    /// Appends the music of a text in the notation of host/Notation.h; "|" moves to the next
    /// measure. Pitch names are read in the key of their measure as it stands now, so the key is
    /// set before the notes. Throws std::invalid_argument for malformed text.
    LayerBuilder& Notes(std::string_view music);
    LayerBuilder& Note(std::string_view pitch, fourbyte duration);
    LayerBuilder& Chord(const std::vector<std::string>& pitches, fourbyte duration);
    LayerBuilder& Rest(fourbyte duration);
    /// Ties every note of the last entry to the next entry.
    LayerBuilder& Tie();
    /// Starts a tuplet of `number` units of `unitDuration` in the time of `referenceNumber` such
    /// units on the last entry (after any tuplet already starting there).
    LayerBuilder& Tuplet(twobyte number, twobyte referenceNumber, fourbyte unitDuration);
    /// Adds an articulation of definition `definitionID` to the last entry.
    LayerBuilder& Articulation(twobyte definitionID);
    /// Further entries go into the next measure.
    LayerBuilder& NextMeasure();
    /// Appends one entry as specified.
    LayerBuilder& Entry(const EntrySpec& entry);

private:
    EXENTRY& LastEntry();
    FrameKey Key() const { return FrameKey{staff_, measure_, layerIndex_}; }

    Document& document_;
    twobyte staff_;
    twobyte measure_;
    twobyte layerIndex_;
    bool hasLast_ = false;
    FrameKey lastKey_;
    size_t lastIndex_ = 0;
};

class DocumentBuilder {
public:
    explicit DocumentBuilder(Document& document) : document_(document) {}

    /// Adds a staff with this number at the end of the score order.
    DocumentBuilder& Staff(twobyte number, const std::string& name = "");
    /// Adds `count` staves numbered on from the highest staff number.
    DocumentBuilder& Staves(int count);
    /// Appends `count` measures of beats × beatDuration, each with its measure record. A new
    /// measure keeps the key of the measure before it (C major for the first).
    DocumentBuilder& Measures(int count, twobyte beats = 4, fourbyte beatDuration = EDU_QUARTER);
    /// Sets the time signature of one existing measure (and its measure record).
    DocumentBuilder& TimeSignature(twobyte measure, twobyte beats, fourbyte beatDuration);
    /// Sets the key from an existing measure on to the last measure: `accidentals` sharps
    /// (positive) or flats (negative), major or minor. Measures appended later keep it.
    DocumentBuilder& KeySignature(twobyte measure, int accidentals, bool minor = false);
    /// The same with a raw key value, for keys that are not standard major or minor keys.
    DocumentBuilder& KeyValue(twobyte measure, utwobyte keyValue);
    /// Sets an instrument list other than the score order (staff numbers by slot).
    DocumentBuilder& InstrumentList(utwobyte list, std::vector<twobyte> staves);
    DocumentBuilder& HideLayer(int layerIndex);
    DocumentBuilder& MaxLayers(twobyte layers);
    /// The document window: page view showing `page`, scroll view, zoom, or no window at all.
    DocumentBuilder& PageView(twobyte page);
    DocumentBuilder& ScrollView();
    DocumentBuilder& Zoom(twobyte percent);
    DocumentBuilder& NoWindow();
    /// Adds a linked part with this number and name.
    DocumentBuilder& Part(twobyte id, const std::string& name);
    /// Makes `region` the current selection.
    DocumentBuilder& Select(const EREGION& region);
    /// Entries of layer `layerIndex` (0-based) of `staff`, from `measure` on.
    LayerBuilder Layer(twobyte staff, twobyte measure, twobyte layerIndex = 0);
    /// Stores a data record under `tag` and the key words w0, w1, w2.
    DocumentBuilder& Record(EXTAG tag, twobyte w0, twobyte w1, twobyte w2,
                            std::vector<unsigned char> bytes);
    /// Stores an entry detail record under `tag`, entry number `entnum` and record number `inci`.
    DocumentBuilder& DetailRecord(EXTAG tag, fourbyte entnum, twobyte inci,
                                  std::vector<unsigned char> bytes);

    // Staves, clefs, texts and expressions (host/BuilderStavesTexts.cpp; record layouts in
    // host/StaffRecords.h and host/TextRecords.h) ----------------------------------------------

    /// Sets the transposition word of the staff's record.
    DocumentBuilder& StaffTransposition(twobyte staff, utwobyte word);
    /// Gives the staff a full name (an Enigma text) in a new raw text and text block.
    DocumentBuilder& StaffFullName(twobyte staff, const std::string& text);
    /// Transposes the staff by `word` from (startMeasure, startPos) through (endMeasure, endPos).
    DocumentBuilder& StaffStyle(twobyte staff, twobyte startMeasure, fourbyte startPos,
                                twobyte endMeasure, fourbyte endPos, utwobyte word);
    /// The clef in force at the start of a cell (its frame hold record).
    DocumentBuilder& Clef(twobyte staff, twobyte measure, twobyte clefIndex);
    /// Clef definition `index` (from 0) with middle C at staff position `middleCPos`.
    DocumentBuilder& ClefDef(twobyte index, twobyte middleCPos);
    /// Staff list `list` of kind `tag` (otDC, otdc, otIO or otio) naming these staves.
    DocumentBuilder& StaffList(twobyte list, EXTAG tag, const std::vector<twobyte>& staves);
    /// Text block `number` holding `text` in raw text `number` (txxp for an expression text).
    DocumentBuilder& TextBlock(twobyte number, const std::string& text,
                               bool expressionText = false);
    /// Text expression definition `number` showing text block `textBlock`.
    DocumentBuilder& TextExpressionDef(twobyte number, twobyte textBlock,
                                       twobyte rehearsalMarkStyle = 0,
                                       const std::string& description = "");
    /// Places definition `definition` on `staff` in `measure` (the measure's next record number)
    /// at `position`, also shown on the staves of staff list `staffList` when it is not 0.
    DocumentBuilder& Expression(twobyte measure, twobyte staff, twobyte definition,
                                twobyte staffList = 0, fourbyte position = 0);
    /// A chord symbol and a MIDI expression of a cell at `position` in the measure (the cell's
    /// next record number), in the layouts of host/CellRecords.h.
    DocumentBuilder& ChordSymbol(twobyte staff, twobyte measure, fourbyte position);
    DocumentBuilder& MidiExpression(twobyte staff, twobyte measure, fourbyte position);

    Document& Built() { return document_; }
    operator Document&() { return document_; }

private:
    Document& document_;
};

/// The entry as the notation sees it: pitches of a note entry, tie when every note is tied (else
/// the tied notes one by one), the tuplet and articulation records 0, 1, ... stored under its
/// entry number.
EntrySpec ReadEntry(const Document& document, const EXENTRY& entry);
/// The stored entries of measures measureFrom..measureTo of one layer, per measure (the pitches
/// as the note records hold them).
std::vector<std::vector<EntrySpec>> ReadLayer(const Document& document, twobyte staff,
                                              twobyte measureFrom, twobyte measureTo,
                                              twobyte layerIndex);
/// The same in the notation, pitches named in the key of their measure: "C4 q, D4 q~ | D4 q, r q".
std::string DescribeLayer(const Document& document, twobyte staff, twobyte measureFrom,
                          twobyte measureTo, twobyte layerIndex = 0);

} // namespace host
