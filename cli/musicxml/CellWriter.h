// Writes the music of one cell (a voice of a staff in one measure) anew after COPY: its entries
// as the host holds them now, with what travelled with the rhythm from the host's records and
// what stays with the destination's notes from the file itself.
#pragma once

#include "cli/musicxml/EntryTiming.h"
#include "cli/musicxml/EventMatch.h"
#include "cli/musicxml/Score.h"

#include <span>
#include <string>
#include <vector>

namespace cadentra_cli {

class Pieces;

class CellWriter {
public:
    CellWriter(const Score& score, const host::Document& after, const host::FrameKey& key,
               const CellOrigin& cell, const LayerMatch& match);

    /// The replacement of each of the cell's runs, in the document's encoding.
    std::vector<std::string> Write();

private:
    /// The original notes a written note takes what stays from: the one whose pitch it shows,
    /// and those whose marks go to it.
    struct MarkNote {
        pugi::xml_node node;
        const OriginalEntry* entry = nullptr;
        int note = 0; // its index in the entry's note records
    };
    struct NoteSources {
        pugi::xml_node pitch;
        std::vector<MarkNote> marks;
    };

    std::vector<std::vector<size_t>> AssignRuns() const;
    std::string WriteRun(size_t run, const std::vector<size_t>& entries);
    void WriteEntry(Pieces& out, size_t index, int64_t divisions, const std::string& indent);
    NoteSources SourcesOfNote(size_t index, const EntrySources& sources, int note,
                              std::vector<std::vector<bool>>& taken) const;
    void WriteNoteHead(Pieces& out, size_t index, int note, const NoteSources& sources);
    void WriteRhythm(Pieces& out, size_t index, int note, const NoteSources& sources,
                     int64_t divisions);
    void WriteTimeModification(Pieces& out, size_t index);
    void WriteNotations(Pieces& out, size_t index, int note, const NoteSources& sources);
    std::string TravellingNotations(size_t index) const;
    static std::vector<pugi::xml_node> StayingNotations(const NoteSources& sources);
    bool TiedFromBefore(size_t index, const EXNOTE& note) const;
    static bool HoldsTie(const MarkNote& mark, pugi::xml_node tie);
    bool ShowsAccidental(size_t index, const EXNOTE& note) const;
    void WriteGraces(Pieces& out, std::span<const GraceNotes> graces, const std::string& indent);
    std::vector<GraceNotes> UnplacedGraces() const;

    const Score& score_;
    const host::Document& after_;
    host::FrameKey key_;
    const CellOrigin& cell_;
    const LayerMatch& match_;
    utwobyte keyValue_ = 0;
    bool writesStaff_ = false;
    std::vector<EXENTRY> entries_;
    std::vector<EntryTiming> timings_;
};

} // namespace cadentra_cli
