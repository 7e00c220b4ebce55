// Builds stand-in host documents for tests and programs in a few readable lines:
//
//   host::DocumentBuilder(host::Host::Instance().NewDocument())
//       .Staves(3).Measures(4)
//       .Select(host::Region(1, 1, 1, 2));
#pragma once

#include "host/Document.h"

#include <string>
#include <vector>

namespace host {

/// A selection of slots startSlot..endSlot over measures startMeasure..endMeasure, cut at the
/// given positions (whole measures by default), counted in instrument list `list`.
EREGION Region(twobyte startSlot, twobyte endSlot, twobyte startMeasure, twobyte endMeasure,
               fourbyte startPos = 0, fourbyte endPos = EREGION_END_OF_MEASURE,
               utwobyte list = 0);

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
    /// Stores a data record under `tag` and the key words w0, w1, w2.
    DocumentBuilder& Record(EXTAG tag, twobyte w0, twobyte w1, twobyte w2,
                            std::vector<unsigned char> bytes);
    /// Stores an entry detail record under `tag`, entry number `entnum` and record number `inci`.
    DocumentBuilder& DetailRecord(EXTAG tag, fourbyte entnum, twobyte inci,
                                  std::vector<unsigned char> bytes);

    Document& Built() { return document_; }
    operator Document&() { return document_; }

private:
    Document& document_;
};

} // namespace host
