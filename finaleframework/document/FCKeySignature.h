// Key signatures: what a host key value means.
#pragma once

#include "finaleframework/records/FCBaseData.h"

class FCString;

/// One host key value and its meaning. The value is a 16-bit word: when bit 14 or 15 is set the
/// key is non-standard; otherwise the high byte is the mode (0 major, 1 minor, anything else
/// non-standard) and the low byte, read as a signed number, the sharps (positive) or flats
/// (negative). So every standard key lies below 0x0200: 0x0000 C major, 0x0100 A minor, 0x00FE
/// B-flat major.
///
/// Note letters are indexed from A (0 = A ... 6 = G); root relations from C (0 = C ... 6 = B).
/// The object is filled by whoever reads a measure's key; it has no record of its own and is
/// never loaded or saved by itself.
class FCKeySignature : public __FCBaseData {
public:
    FCKeySignature() = default;

    const char* ClassName() override { return "FCKeySignature"; }
    /// 0: no record type of its own.
    EXTAG Tag() override { return 0; }
    fourbyte DataSizeLoad() override { return sizeof _keyvalue; }
    void* Allocate() override { return &_keyvalue; }
    __FCBaseData* CreateObject() override { return new FCKeySignature; }
    /// Copies the key value of another key signature (nothing for another class).
    void CloneMemoryFrom(__FCBaseData* source) override;
    /// Always false: there is nothing to load.
    bool LoadFirst() override { return false; }

    void SetKeyValue(utwobyte value) { _keyvalue = value; }
    utwobyte GetKeyValue() const { return _keyvalue; }

    // Every Calc operation answers -1 for a non-standard key.

    /// Number of sharps (0 for a key with flats or none).
    int CalcSharps() const;
    /// Number of flats (0 for a key with sharps or none).
    int CalcFlats() const;
    /// Note index (0 = A) of the key's root.
    int CalcScaleRootIndex() const;
    /// Relation to C (0 = C) of the major key with the same accidentals; seven flats give 7.
    int CalcRootRelationIndex() const;
    /// Relation to C of the actual root (a minor key's own root).
    int CalcRootRelationAbsoluteIndex() const;

    /// True when the key has sharps and the note letter is among them; false for an index outside
    /// 0 to 6.
    bool IsSharpNote(int noteindex) const;
    /// True when the key has flats and the note letter is among them; false for an index outside
    /// 0 to 6.
    bool IsFlatNote(int noteindex) const;

    using __FCBase::IsIdentical;
    /// Same mode, same root, same flats and sharps. Any two non-standard keys compare identical.
    /// False for null.
    bool IsIdentical(FCKeySignature* other);

    /// Writes the key's name ("B flat major", "f sharp minor"); empty for a non-standard key.
    /// Nothing without a text.
    void MakeString(FCString* text) const;

private:
    /// 0 major, 1 minor, another number for a non-standard mode, -1 when bit 14 or 15 is set.
    int _GetMode() const;
    bool _IsStandard() const { return _keyvalue < 0x0200; }
    /// The low byte as a signed count: sharps positive, flats negative.
    int _GetAccidentals() const { return static_cast<signed char>(_keyvalue & 0xFF); }

    utwobyte _keyvalue = 0;
};
