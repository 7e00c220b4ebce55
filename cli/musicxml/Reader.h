// The reader behind ReadScore, in three parts: the document as a whole (MusicXmlReader.cpp), the
// parts, measures and cells they fill (PartReading.cpp), and the notes (NoteReading.cpp).
#pragma once

#include "cli/musicxml/KeyPitch.h"
#include "cli/musicxml/Score.h"
#include "cli/musicxml/TupletGroups.h"
#include "cli/musicxml/XmlText.h"

#include <pugixml.hpp>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cadentra_cli {

/// A child that NoteChildren looks for: none until it is found. (Held as the library's own
/// pointer, so that the many children a note lacks cost nothing to set up.)
class FoundChild {
public:
    operator bool() const { return node_ != nullptr; }
    operator pugi::xml_node() const { return HandleOf(node_); }
    /// Keeps `child` unless one was found before.
    void First(pugi::xml_node child) {
        if (!node_) node_ = std::bit_cast<pugi::xml_node_struct*>(child);
    }

private:
    pugi::xml_node_struct* node_ = nullptr;
};

/// The children of a <note> that reading looks at, found in one walk over them (the first of
/// each name, as pugixml's child() would find it; the others of <tie> and <notations> follow as
/// siblings, see Each, and are counted).
struct NoteChildren {
    FoundChild grace, chord, rest, pitch, unpitched, staff, voice, accidental, timeModification,
        type, duration, tie, notations;
    int dots = 0;
    int ties = 0;
    int notationsCount = 0;
    // Where the children begin, for the nesting check (see Reader::CheckNoteNesting): the names
    // of the first and last child, and the widest distance from one child's name to the next.
    // Only where every child is an element, which has its name in the parsed text.
    bool allElements = true;
    const char* firstName = nullptr;
    const char* lastName = nullptr;
    size_t widest = 0;

    explicit NoteChildren(pugi::xml_node note);
};

/// What a note's own elements say about its length.
struct NoteRhythm {
    int written = 0;    // host units of its value (type and dots; a measure rest's whole length)
    Rational sounding;  // quarter notes it lasts
    EntryRhythm tuplet; // its time modification and tuplet brackets
    bool measureRest = false;
};

class Reader {
public:
    Reader(Score& score, host::Document& document) : score_(score), document_(document) {}

    void Run();

private:
    void FetchAhead(pugi::xml_node measure, pugi::xml_node next) const;
    /// A cell that the measure being read has come to: its origin (the map never loses an
    /// element while reading, so the pointer stays good) and what it gathers until the end of the
    /// measure, when it goes into the host frame and the origin at its full size: its entries, the
    /// origins of the entries, its runs, the rhythm of its entries and the grace notes that no
    /// entry has taken yet. A cell of grace notes alone gets no frame.
    struct OpenCell {
        host::FrameKey key;
        CellOrigin* origin = nullptr;
        bool described = false; // its part, staff and voice are set
        bool tied = false;      // a note of it is tied
        Rational end;           // where its entries have reached
        Rational reached;       // where its entries and its voice's forwards have reached
        std::vector<EXENTRY> entries;
        std::vector<EntryOrigin> origins;
        std::vector<CellRun> runs;
        std::vector<EntryRhythm> rhythm;
        std::vector<GraceNotes> pendingGraces;
    };

    // The document (MusicXmlReader.cpp).
    [[noreturn]] void Fail(pugi::xml_node at, const std::string& problem) const;
    void CheckDocumentShape(pugi::xml_node root) const;
    void CheckNesting(pugi::xml_node node, int depth, ptrdiff_t start, ptrdiff_t end) const;
    /// CheckNesting of a <note> (4 deep) whose text lies within `start` to `end`, from the walk
    /// over its children that reading makes anyway; only a note with a long child or one that
    /// is not an element is walked again.
    void CheckNoteNesting(pugi::xml_node note, const NoteChildren& children, ptrdiff_t start,
                          ptrdiff_t end) const;
    /// The offset in the text of an element whose name() is `name`, as offset_debug() answers
    /// it, without asking the document; -1 for a name that is not in the parsed text (text nodes
    /// answer "").
    ptrdiff_t OffsetOfName(const char* name) const {
        const uintptr_t at = reinterpret_cast<uintptr_t>(name) - parsedText_;
        return parsedText_ != 0 && at > 0 && at < text_.size() ? static_cast<ptrdiff_t>(at) : -1;
    }
    void CheckDepthOutsideMeasures() const;
    int IntegerOf(pugi::xml_node element) const;
    void CollectParts();
    void CollectPartMeasures(const std::map<std::string, size_t>& indexOfId);
    void BeginMeasures();
    /// The number, key and time signature of measure `i` (from 0), the next to be collected.
    void CollectMeasure(size_t i);
    void CollectRemainingMeasures();
    void ReadTimeSignature(pugi::xml_node time, int& beats, int& beatDuration,
                           bool& haveTime) const;
    void DropUnheldTiesOut();
    void DropUnheldTies(EXENTRY& entry, const EXENTRY* next, utwobyte keyValue,
                        utwobyte nextKeyValue);
    void HoldMeasureLengths();
    void BuildDocument();
    /// The articulation definition of a travelling mark (an element inside <articulations>, or a
    /// <fermata>), made when the score first has the mark; 0 for none.
    int MarkDefinition(pugi::xml_node element, bool articulation);

    // Parts, measures and cells (PartReading.cpp).
    void UseStaff(int partStaff, pugi::xml_node at);
    void ReadPart(int partIndex);
    void ReadMeasureContents(pugi::xml_node measure, MeasureTail& tail);
    void ReadForward(pugi::xml_node forward);
    void ReadAttributes(pugi::xml_node attributes);
    void ReadRehearsalMarks(pugi::xml_node direction);
    /// The divisions per quarter note that durations are counted in: those the part stated,
    /// else those its first timed note shows, else 1.
    int DivisionsInForce() const;
    Rational DurationOf(pugi::xml_node element) const;
    Rational DurationOf(pugi::xml_node element, pugi::xml_node duration) const;
    /// The cell of a voice of the part being read, in the measure being read: on the staff the
    /// voice belongs to, whichever staff the element at `at` is written on.
    OpenCell& CellFor(int partStaff, std::string_view voice, pugi::xml_node at);
    int StaffOfVoice(int partStaff, std::string_view voice, pugi::xml_node at);
    int StaffOfFirstNote(std::string_view voice, pugi::xml_node at) const;
    /// Adds `element`, which ends at `end` (quarter notes from the measure start), to the cell's
    /// stretch of the file that is being read, or begins a new one at the cursor.
    void ExtendRun(OpenCell& cell, pugi::xml_node element, Rational end);
    void CloseRun() { runOpen_ = false; }
    /// The open cell of `key`, opened when the measure first comes to it. Notes come in runs of
    /// the same cell, so the last one asked for is looked at first.
    OpenCell& Open(const host::FrameKey& key);
    void FinishMeasure();
    void BuildTuplets(const host::FrameKey& key, std::vector<EXENTRY>& entries,
                      std::vector<EntryRhythm>& rhythm);
    static bool FitGapsToTuplets(std::vector<EXENTRY>& entries,
                                 const std::vector<PlacedTuplet>& tuplets,
                                 std::vector<int>& durations);
    void ReachMeasureEnd(Rational end, bool measureRest);
    void DropUnheldTies(OpenCell& cell);

    // Notes (NoteReading.cpp).
    void ReadNote(pugi::xml_node note, ptrdiff_t start, ptrdiff_t end);
    void ReadGrace(pugi::xml_node note, const NoteChildren& children, OpenCell& cell);
    void ReadChordNote(pugi::xml_node note, const NoteChildren& children);
    void ReadEntry(pugi::xml_node note, const NoteChildren& children, OpenCell& cell);
    NoteRhythm ReadRhythm(pugi::xml_node note, const NoteChildren& children);
    void ReadTimeModification(pugi::xml_node modification, EntryRhythm& rhythm) const;
    void ReadTupletMark(pugi::xml_node tuplet, EntryRhythm& rhythm) const;
    void ReadTupletSide(pugi::xml_node side, int& number, int& value) const;
    void AddPitch(EXENTRY& entry, pugi::xml_node note, const NoteChildren& children);
    SpelledPitch WrittenPitch(pugi::xml_node note, const NoteChildren& children) const;
    bool ReadNotations(EXENTRY& entry, const NoteChildren& children, EntryRhythm* rhythm);
    void AddArticulation(EXENTRY& entry, int definition);
    /// Rests the voice does not show (a <forward>, or time its notes skip) up to `until`.
    void FillGap(OpenCell& cell, Rational until);
    EXENTRY NewEntry(int duration, bool rest);
    void AppendEntry(OpenCell& cell, const EXENTRY& entry, const EntryOrigin& origin,
                     EntryRhythm rhythm);
    /// The grace notes the cell holds for the entry it is given next: those after a note, and
    /// any before a rest, belong to the note before them; the others lead into the entry.
    void PlacePendingGraces(OpenCell& cell, EntryOrigin& next, bool nextIsNote);
    void GiveAfterGraces(OpenCell& cell, std::vector<GraceNotes>::iterator end);

    Score& score_;
    host::Document& document_;
    std::string_view text_;
    uintptr_t parsedText_ = 0; // where the parser's copy of the text begins; 0 while unknown

    std::vector<std::vector<pugi::xml_node>> partMeasures_; // per part, the measure contents
    std::vector<host::Measure> hostMeasures_;
    struct {
        utwobyte key = 0;
        int beats = 4;
        int beatDuration = EDU_QUARTER;
        bool haveTime = false;
    } collecting_; // the key and time signature in force in the top part, as it is collected
    std::vector<Rational> measureEnds_;     // per measure, where its music reaches
    std::vector<Rational> measureRestEnds_; // per measure, where its measure rests reach
    std::map<std::string, int> markDefinitions_;
    std::vector<host::FrameKey> tiedOut_; // frames whose last entry ties into the next measure
    std::set<std::pair<int, std::string>> rehearsalMarksSeen_; // (measure, text)

    // Reading state of one part.
    int part_ = 0;
    int measure_ = 0; // host measure number
    int divisions_ = 0;
    int shownDivisions_ = 0; // divisions a note showed while none were stated
    Rational cursor_;
    bool runOpen_ = false;
    const OpenCell* runCell_ = nullptr;
    OpenCell* mainCell_ = nullptr; // the cell of the measure's latest entry, if any
    std::map<std::string, int, std::less<>> voiceStaff_; // the staff each voice belongs to
    std::set<std::pair<std::string, int>> ownVoices_;    // voice numbers a second staff uses too
    // The cells of the measure being read: the first `openCount_` slots (the slots stay, with the
    // room of their lists, from one measure to the next; a deque keeps their addresses).
    std::deque<OpenCell> openCells_;
    size_t openCount_ = 0;
    size_t lastOpen_ = 0;
};

} // namespace cadentra_cli
