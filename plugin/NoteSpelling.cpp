#include "plugin/NoteSpelling.h"

#include "finaleframework/document/FCKeySignature.h"
#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCNoteEntry.h"

namespace {

/// Keys that say which letters they alter: the standard major and minor keys.
bool IsStandardKey(utwobyte key) {
    return key < 0x0200;
}

/// Steps from middle C up to the root of the key, where note records count from.
int RootStep(utwobyte key) {
    FCKeySignature signature;
    signature.SetKeyValue(key);
    return signature.CalcRootRelationAbsoluteIndex();
}

twobyte MeasureOf(FCNote* note) {
    return note->GetEntry() ? note->GetEntry()->GetMeasure() : 0;
}

} // namespace

utwobyte KeySpeller::KeyOf(twobyte measure) {
    auto load = [measure] {
        FCCell cell(measure, 0);
        return cell.GetKeySignature()->GetKeyValue();
    };
    if (measure < 0) return load(); // no measure of a document: asked for, never kept
    const auto index = static_cast<size_t>(measure);
    if (index >= _keys.size()) _keys.resize(index + 1, -1);
    if (_keys[index] < 0) _keys[index] = load();
    return static_cast<utwobyte>(_keys[index]);
}

std::optional<SoundingPitch> KeySpeller::PitchOf(FCNote* note) {
    if (!note->GetEntry()) return std::nullopt;
    const utwobyte key = KeyOf(MeasureOf(note));
    if (!IsStandardKey(key)) return std::nullopt;
    return SoundingPitch{RootStep(key) + note->GetDisplacement(), note->CalcPitchRaiseLower(false)};
}

bool KeySpeller::IsSamePitch(FCNote* note, FCNote* other) {
    const twobyte measure = MeasureOf(note);
    const twobyte otherMeasure = MeasureOf(other);
    if (measure != otherMeasure && KeyOf(measure) != KeyOf(otherMeasure)) {
        const auto pitch = PitchOf(note);
        const auto otherPitch = PitchOf(other);
        if (pitch && otherPitch) return *pitch == *otherPitch;
    }
    return note->IsIdenticalPitch(other);
}

FCNote* KeySpeller::FindSamePitch(FCNoteEntry* entry, FCNote* note) {
    if (!entry || !entry->IsNote()) return nullptr;
    for (int i = 0; i < entry->GetCount(); ++i)
        if (FCNote* candidate = entry->GetItemAt(i); IsSamePitch(candidate, note)) return candidate;
    return nullptr;
}

void KeySpeller::Respell(FCNote* note, FCNote* original) {
    const utwobyte key = KeyOf(MeasureOf(note));
    if (key == KeyOf(MeasureOf(original)) || !IsStandardKey(key)) return;
    const auto pitch = PitchOf(original);
    if (!pitch) return;
    note->SetDisplacement(static_cast<twobyte>(pitch->step - RootStep(key)));
    // What the key alone does to the note's letter, with the note's own raise or lower taken out.
    note->SetRaiseLower(0);
    note->SetRaiseLower(static_cast<twobyte>(pitch->alteration - note->CalcPitchRaiseLower(false)));
}
