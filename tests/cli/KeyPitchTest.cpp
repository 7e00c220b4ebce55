#include "cli/musicxml/KeyPitch.h"

#include <gtest/gtest.h>

using namespace cadentra_cli;

namespace {

/// The total alteration the framework's pitch spelling answers for note record values.
int SpelledAlteration(const HostPitch& pitch, utwobyte key) {
    const int letter = ((ScaleRootIndex(key) + pitch.displacement) % 7 + 7) % 7;
    return pitch.raiseLower + KeyAlterationOf(key, letter);
}

} // namespace

TEST(KeyPitch, KeyValuesAndRoots) {
    EXPECT_EQ(MakeKeyValue(0, false), 0x0000);
    EXPECT_EQ(MakeKeyValue(0, true), 0x0100);
    EXPECT_EQ(MakeKeyValue(-2, false), 0x00FE);
    EXPECT_EQ(MakeKeyValue(-3, true), 0x01FD);
    EXPECT_EQ(ScaleRootIndex(0x0000), 2);                           // C
    EXPECT_EQ(ScaleRootIndex(0x0100), 0);                           // a
    EXPECT_EQ(ScaleRootIndex(MakeKeyValue(-3, false)), 4);          // E flat
    EXPECT_EQ(ScaleRootIndex(MakeKeyValue(-7, false)), 2);          // C flat
    EXPECT_EQ(RootRelationAbsoluteIndex(0x0100), 5);                // A above C
    EXPECT_EQ(RootRelationAbsoluteIndex(MakeKeyValue(1, true)), 2); // e
    EXPECT_EQ(RootRelationAbsoluteIndex(MakeKeyValue(-7, false)), 7);
    EXPECT_EQ(ScaleRootIndex(0x0200), -1);
    EXPECT_EQ(ScaleRootIndex(0x4000), -1);
}

TEST(KeyPitch, KeyAlterationFollowsTheOrderOfSharpsAndFlats) {
    EXPECT_EQ(KeyAlterationOf(MakeKeyValue(2, false), LetterIndex('C')), 1);
    EXPECT_EQ(KeyAlterationOf(MakeKeyValue(2, false), LetterIndex('G')), 0);
    EXPECT_EQ(KeyAlterationOf(MakeKeyValue(-3, false), LetterIndex('A')), -1);
    EXPECT_EQ(KeyAlterationOf(MakeKeyValue(8, false), LetterIndex('F')), 2);
}

TEST(KeyPitch, StoresPitchesRelativeToTheKey) {
    // C major: displacement counts from middle C, alterations are absolute.
    EXPECT_EQ(ToHostPitch({'C', 0, 4}, 0), (HostPitch{0, 0}));
    EXPECT_EQ(ToHostPitch({'F', 1, 4}, 0), (HostPitch{3, 1}));
    EXPECT_EQ(ToHostPitch({'B', -1, 3}, 0), (HostPitch{-1, -1}));
    // G major: G4 is the root; F sharp is the key's own note, F natural is lowered.
    EXPECT_EQ(ToHostPitch({'G', 0, 4}, MakeKeyValue(1, false)), (HostPitch{0, 0}));
    EXPECT_EQ(ToHostPitch({'F', 1, 5}, MakeKeyValue(1, false)), (HostPitch{6, 0}));
    EXPECT_EQ(ToHostPitch({'F', 0, 5}, MakeKeyValue(1, false)), (HostPitch{6, -1}));
    // A minor counts from A; C minor has E flat in the key.
    EXPECT_EQ(ToHostPitch({'A', 0, 4}, 0x0100), (HostPitch{0, 0}));
    EXPECT_EQ(ToHostPitch({'E', 0, 4}, MakeKeyValue(-3, true)), (HostPitch{2, 1}));
    EXPECT_FALSE(ToHostPitch({'C', 0, 4}, 0x4000));
    EXPECT_FALSE(ToHostPitch({'H', 0, 4}, 0));
}

TEST(KeyPitch, EveryPitchRoundTripsInEveryKeyAndSpellsAsTheFrameworkReadsIt) {
    for (int fifths = -7; fifths <= 7; ++fifths) {
        for (bool minor : {false, true}) {
            const utwobyte key = MakeKeyValue(fifths, minor);
            for (int octave = 0; octave <= 9; ++octave) {
                for (char step : {'A', 'B', 'C', 'D', 'E', 'F', 'G'}) {
                    for (int alter = -2; alter <= 2; ++alter) {
                        const SpelledPitch pitch{step, alter, octave};
                        const auto stored = ToHostPitch(pitch, key);
                        ASSERT_TRUE(stored);
                        EXPECT_EQ(FromHostPitch(*stored, key), pitch)
                            << step << alter << octave << " key " << key;
                        const char letter = LetterOf(ScaleRootIndex(key) + stored->displacement);
                        EXPECT_EQ(letter, step);
                        EXPECT_EQ(SpelledAlteration(*stored, key), alter);
                    }
                }
            }
        }
    }
}
