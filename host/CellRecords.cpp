#include "host/CellRecords.h"

#include "host/Builder.h"
#include "host/TextRecords.h"

#include <cstring>
#include <vector>

namespace host {

twobyte AddCellRecord(Document& document, EXTAG tag, size_t size, twobyte staff, twobyte measure,
                      fourbyte position) {
    twobyte inci = 0;
    while (document.records.count(WordKey(tag, staff, measure, inci)))
        ++inci;
    std::vector<unsigned char> bytes(size, 0);
    std::memcpy(bytes.data(), &position, sizeof position);
    document.records[WordKey(tag, staff, measure, inci)] = std::move(bytes);
    return inci;
}

DocumentBuilder& DocumentBuilder::ChordSymbol(twobyte staff, twobyte measure, fourbyte position) {
    AddCellRecord(document_, TAG_CHORD, CHORD_RECORD_SIZE, staff, measure, position);
    return *this;
}

DocumentBuilder& DocumentBuilder::MidiExpression(twobyte staff, twobyte measure,
                                                 fourbyte position) {
    AddCellRecord(document_, TAG_MIDI_EXPRESSION, MIDI_EXPRESSION_RECORD_SIZE, staff, measure,
                  position);
    return *this;
}

} // namespace host
