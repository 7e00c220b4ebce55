// Writes a score back after COPY: only the cells (staff, voice, measure) whose host entries
// changed are written anew, every other byte of the file stays as it was.
#pragma once

#include "cli/musicxml/Score.h"

#include <string>
#include <vector>

namespace cadentra_cli {

/// Keeps every layer of staves `firstStaff` to `lastStaff` in measures `firstMeasure` to
/// `lastMeasure` of `document` as it is now, and in the measure before them (where COPY may untie
/// a note that led into its destination), with the detail records of their entries, for
/// ChangedCells. Called before the document changes, on the cells that may change (those of
/// a COPY's destination); RememberAllCells keeps every cell of the score.
void RememberCells(Score& score, const host::Document& document, int firstStaff, int lastStaff,
                   int firstMeasure, int lastMeasure);
void RememberAllCells(Score& score, const host::Document& document);

/// The remembered cells whose entries, or whose entries' detail records, differ between the
/// document as it was remembered and `after`, in key order.
std::vector<host::FrameKey> ChangedCells(const Score& score, const host::Document& after);

/// The score's bytes with the notes of `changed` written from `after`. What travels with the
/// rhythm comes from the host entries: durations, rests (a gap in a voice as a forward), ties,
/// tuplets with their time modifications and brackets, articulations and fermatas. What stays
/// with the destination's events comes from the file, found event by event (see LayerMatch):
/// pitch elements where the host kept the pitch, accidentals, noteheads, cross-staff <staff>,
/// slurs, lyrics, ornaments, technical marks and the other notations, grace notes. Beams are left
/// out. Elements of other cells that lay between its notes keep their place in time: each
/// rewritten stretch ends where the original one did.
std::string WriteScore(const Score& score, const host::Document& after,
                       const std::vector<host::FrameKey>& changed);

/// Counts the note events of entries the way COPY does (see ContinuesEvent): a note entry starts
/// an event unless the entry before it continues its event into it; a rest starts none. The
/// entries' pitches are compared as in measures of key `keyValue`: exact for entries of one key;
/// CountLayerEvents knows the key of each measure.
int CountEvents(const std::vector<EXENTRY>& entries, utwobyte keyValue = 0);
/// The note events of layer `layer` of `staff` over measures `first` to `last` of `document`.
int CountLayerEvents(const host::Document& document, int staff, int layer, int first, int last);

} // namespace cadentra_cli
