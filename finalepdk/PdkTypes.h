// Integer widths and versions shared by the host binding, the framework and the stand-in host.
#pragma once

#include <cstdint>

typedef int16_t twobyte;
typedef uint16_t utwobyte;
typedef int32_t fourbyte;
typedef uint32_t ufourbyte;
typedef uint32_t EVERSION;
typedef uint32_t EXTAG;
typedef fourbyte ENTNUM;
typedef int32_t TimeEdu32;

/// The version of the host interface the framework is written for; passed last with every host
/// call.
constexpr EVERSION FINALEPDK_VERSION = 0x0F000200;

/// Durations and positions count this many units to the quarter note.
constexpr int EDU_QUARTER = 1024;

/// Builds a record tag from its four characters, the first in the most significant byte.
constexpr EXTAG MakeExTag(char a, char b, char c, char d) {
    return (static_cast<EXTAG>(static_cast<unsigned char>(a)) << 24) |
           (static_cast<EXTAG>(static_cast<unsigned char>(b)) << 16) |
           (static_cast<EXTAG>(static_cast<unsigned char>(c)) << 8) |
           static_cast<EXTAG>(static_cast<unsigned char>(d));
}
