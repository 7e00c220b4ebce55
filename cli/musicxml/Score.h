// What the program knows of a MusicXML score beyond the host document it fills: the parts and
// staves with their names, the printed measure numbers, and for every host entry the MusicXML
// elements it came from, so that the writer can tell what changed and where it lies in the file.
#pragma once

#include "cli/musicxml/Rational.h"
#include "cli/musicxml/SourceText.h"
#include "host/Document.h"

#include <pugixml.hpp>

#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cadentra_cli {

/// A byte-free span of the working text (UTF-8 offsets, end exclusive).
struct TextSpan {
    size_t begin = 0;
    size_t end = 0;
};

struct Part {
    std::string id;
    std::string name;
    int staffCount = 1;
    int firstHostStaff = 1; // host staff number (= score position) of the part's staff 1
};

/// One host staff: a staff of a part.
struct StaffInfo {
    int part = 0;      // index into Score::parts
    int partStaff = 1; // the part's staff number
    /// The voices that belong to this staff (see the reader), in the order they first appear in
    /// the part: voice i is layer index i.
    std::vector<std::string> voices;
};

struct MeasureInfo {
    std::string number; // printed number (the measure's number attribute)
    bool implicit = false;
    utwobyte keyValue = 0;
};

/// A rehearsal mark (<rehearsal> in a <direction>) and the host measure that holds it.
struct RehearsalMark {
    std::string text;
    int measure = 0;
};

/// A grace note, or a grace chord: its first and last <note> elements.
struct GraceNotes {
    pugi::xml_node first;
    pugi::xml_node last;
    bool after = false; // it takes its time from the note before it (steal-time-previous)
};

/// Bits of an entry's flag word that the plug-in and the framework carry along unread (a copied
/// entry keeps every flag but the detail bits), with which the reader keeps how the file wrote a
/// rest, so that what travels with the rhythm is written back as it was.
constexpr ufourbyte ENTRY_GAP = 0x00000100u;          // time the voice does not show (<forward>)
constexpr ufourbyte ENTRY_MEASURE_REST = 0x00000200u; // a rest written for the whole measure

/// Where one host entry came from. Its chord notes and its grace notes are kept in the score's
/// own lists (see Score::NotesOf, GracesBefore and GracesAfter), so that an entry needs no memory
/// of its own. A gap in the voice (ENTRY_GAP) has no element.
struct EntryOrigin {
    pugi::xml_node note;     // the <note> element of the entry (its main note)
    uint32_t chordBegin = 0; // its chord notes: Score::chordNotes[chordBegin, + chordCount)
    uint32_t chordCount = 0;
    uint32_t graceBegin = 0; // grace notes that lead into it: Score::graces[graceBegin, ...)
    uint32_t graceCount = 0;
    uint32_t afterBegin = 0; // grace notes after it that belong to it (a trill's closing notes)
    uint32_t afterCount = 0;
};

/// A stretch of the file that holds only elements of one cell (its notes, grace notes and the
/// forwards of its voice), with the time at its start and end (quarter notes from the measure
/// start). A stretch read from the file is known by its first and last elements (where they lie
/// in the text is worked out only for the cells that are written); one that is to be added has
/// no elements and is placed at `insertAt`.
struct CellRun {
    pugi::xml_node first;
    pugi::xml_node last;
    Rational startTime;
    Rational endTime;
    int divisions = 1;           // divisions per quarter in force at the end of the run
    bool divisionsStated = true; // by a <divisions> (else as the part's first notes show them)
    size_t insertAt = 0;         // an added run: where it goes
    size_t indentAt = 0;         // an added run: where the line whose indentation it takes begins
};

/// The MusicXML side of one host frame: one voice of one staff in one measure.
struct CellOrigin {
    int part = 0;
    int partStaff = 1;
    std::string voice;
    bool voiceWritten = false; // its notes carry <voice>
    bool staffWritten = false; // its notes carry <staff>
    std::vector<CellRun> runs;
    std::vector<EntryOrigin> entries;       // in frame order
    std::vector<GraceNotes> trailingGraces; // grace notes after the last entry
};

/// Where music of a voice that a part's measure did not have can be added: after its last note,
/// backup or forward (or its last element), with the time there.
struct MeasureTail {
    pugi::xml_node after; // the element music is added after (whose indentation it takes)
    Rational time;        // quarter notes from the measure start
    int divisions = 1;
    bool divisionsStated = true;
    bool known = false;
    bool music = false; // placed after a note, backup or forward
};

/// A mark that travels with the rhythm (an articulation or a fermata), as the file wrote it but
/// for its position on the page: host articulation definition n is Score::marks[n - 1].
struct TravellingMark {
    std::string element;      // the element's text, such as <fermata type="inverted"/>
    bool articulation = true; // it goes inside <articulations>; else straight into <notations>
};

struct Score {
    std::unique_ptr<SourceText> text;
    pugi::xml_document xml;
    bool timewise = false;

    std::vector<Part> parts;
    std::vector<StaffInfo> staves;     // host staff n is staves[n - 1]
    std::vector<MeasureInfo> measures; // host measure n is measures[n - 1]
    /// In measure order (in the order of the file within a measure), each text once a measure,
    /// whichever parts carry it.
    std::vector<RehearsalMark> rehearsalMarks;
    std::map<host::FrameKey, CellOrigin> cells;
    std::vector<std::vector<MeasureTail>> tails; // by part index, then host measure - 1
    std::vector<pugi::xml_node> chordNotes;      // the chord notes of all entries
    std::vector<GraceNotes> graces;              // the grace notes of all entries
    std::vector<TravellingMark> marks;           // by articulation definition number - 1

    /// The cells that may change, kept as they were read to tell what changed (RememberCells):
    /// every layer of the staves and measures of `remembered`, their frames and the detail
    /// records of their entries held in `original`. None until they are remembered.
    struct CellRange {
        int firstStaff = 1;
        int lastStaff = 0;
        int firstMeasure = 1;
        int lastMeasure = 0;
    } remembered;
    host::Document original;

    /// The host measure of a printed measure number; 0 when there is none.
    int MeasureOfNumber(const std::string& number) const;
    /// The host staff of a part's staff; 0 when there is none.
    int HostStaff(int part, int partStaff) const;
    /// The <note> elements of an entry: its main note, then its chord notes.
    std::vector<pugi::xml_node> NotesOf(const EntryOrigin& entry) const;
    /// The grace notes that lead into an entry, and those after it that belong to it.
    std::span<const GraceNotes> GracesBefore(const EntryOrigin& entry) const;
    std::span<const GraceNotes> GracesAfter(const EntryOrigin& entry) const;
    /// Music in the host builder's notation (host::DescribeLayer) with its articulation
    /// definition numbers ("!18") replaced by the marks they stand for ("!<fermata/>"), which do
    /// not depend on the order a document came to them in.
    std::string WithMarkNames(std::string_view music) const;
};

} // namespace cadentra_cli
