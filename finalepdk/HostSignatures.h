// The shape of every host function as the host exports it, derived from the one table of host
// functions. The stand-in host implements its functions with exactly these types, so the binding
// and the host agree by construction.
#pragma once

#include "finalepdk/PdkTypes.h"
#include "finalepdk/WireRecords.h"
#include "platform/Windows.h"

#include <cstdint>

namespace finalepdk {

/// How a wrapper argument or result travels to and from the host: 16- and 8-bit values widen to
/// 32 bits (signed ones by sign extension), everything else passes as it is.
template <typename T> struct OnTheWire { using type = T; };
template <> struct OnTheWire<twobyte> { using type = int32_t; };
template <> struct OnTheWire<utwobyte> { using type = uint32_t; };
template <> struct OnTheWire<unsigned char> { using type = uint32_t; };
template <typename T> using OnTheWireT = typename OnTheWire<T>::type;

template <typename Signature> struct HostFunction;
template <typename R, typename... A> struct HostFunction<R(A...)> {
    using type = OnTheWireT<R>(WINAPI*)(OnTheWireT<A>..., EVERSION);
};

} // namespace finalepdk

// Argument-list helpers for the host function table: FX_PARAMS((A, B)) gives "A a1, B a2",
// FX_NAMES((A, B)) gives "a1, a2", FX_SEP((A, B)) gives a comma when the list is not empty.
#define FX_UNPAREN(...) __VA_ARGS__
#define FX_SEP_(...) __VA_OPT__(, )
#define FX_SEP(args) FX_SEP_ args
#define FX_NARG_(_1, _2, _3, _4, _5, _6, _7, _8, _9, _10, _11, _12, _13, _14, _15, _16, _17,    \
                 _18, _19, _20, N, ...)                                                         \
    N
#define FX_NARG(...)                                                                            \
    FX_NARG_(__VA_OPT__(__VA_ARGS__, ) 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, \
             4, 3, 2, 1, 0)
#define FX_CAT_(a, b) a##b
#define FX_CAT(a, b) FX_CAT_(a, b)

#define FX_P0()
#define FX_P1(t1) t1 a1
#define FX_P2(t1, t2) FX_P1(t1), t2 a2
#define FX_P3(t1, t2, t3) FX_P2(t1, t2), t3 a3
#define FX_P4(t1, t2, t3, t4) FX_P3(t1, t2, t3), t4 a4
#define FX_P5(t1, t2, t3, t4, t5) FX_P4(t1, t2, t3, t4), t5 a5
#define FX_P6(t1, t2, t3, t4, t5, t6) FX_P5(t1, t2, t3, t4, t5), t6 a6
#define FX_P7(t1, t2, t3, t4, t5, t6, t7) FX_P6(t1, t2, t3, t4, t5, t6), t7 a7
#define FX_P8(t1, t2, t3, t4, t5, t6, t7, t8) FX_P7(t1, t2, t3, t4, t5, t6, t7), t8 a8
#define FX_P9(t1, t2, t3, t4, t5, t6, t7, t8, t9) FX_P8(t1, t2, t3, t4, t5, t6, t7, t8), t9 a9
#define FX_P10(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10)                                        \
    FX_P9(t1, t2, t3, t4, t5, t6, t7, t8, t9), t10 a10
#define FX_P11(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11)                                   \
    FX_P10(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10), t11 a11
#define FX_P12(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12)                              \
    FX_P11(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11), t12 a12
#define FX_P13(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13)                         \
    FX_P12(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12), t13 a13
#define FX_P14(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14)                    \
    FX_P13(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13), t14 a14
#define FX_P15(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15)               \
    FX_P14(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14), t15 a15
#define FX_P16(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16)          \
    FX_P15(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15), t16 a16
#define FX_P17(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16, t17)     \
    FX_P16(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16), t17 a17
#define FX_P18(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16, t17, t18) \
    FX_P17(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16, t17), t18 a18
#define FX_P19(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16, t17, t18, \
               t19)                                                                             \
    FX_P18(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16, t17, t18),   \
        t19 a19
#define FX_PARAMS_(...) FX_CAT(FX_P, FX_NARG(__VA_ARGS__))(__VA_ARGS__)
#define FX_PARAMS(args) FX_PARAMS_ args

#define FX_N0()
#define FX_N1(t1) a1
#define FX_N2(t1, t2) FX_N1(t1), a2
#define FX_N3(t1, t2, t3) FX_N2(t1, t2), a3
#define FX_N4(t1, t2, t3, t4) FX_N3(t1, t2, t3), a4
#define FX_N5(t1, t2, t3, t4, t5) FX_N4(t1, t2, t3, t4), a5
#define FX_N6(t1, t2, t3, t4, t5, t6) FX_N5(t1, t2, t3, t4, t5), a6
#define FX_N7(t1, t2, t3, t4, t5, t6, t7) FX_N6(t1, t2, t3, t4, t5, t6), a7
#define FX_N8(t1, t2, t3, t4, t5, t6, t7, t8) FX_N7(t1, t2, t3, t4, t5, t6, t7), a8
#define FX_N9(t1, t2, t3, t4, t5, t6, t7, t8, t9) FX_N8(t1, t2, t3, t4, t5, t6, t7, t8), a9
#define FX_N10(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10)                                        \
    FX_N9(t1, t2, t3, t4, t5, t6, t7, t8, t9), a10
#define FX_N11(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11)                                   \
    FX_N10(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10), a11
#define FX_N12(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12)                              \
    FX_N11(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11), a12
#define FX_N13(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13)                         \
    FX_N12(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12), a13
#define FX_N14(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14)                    \
    FX_N13(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13), a14
#define FX_N15(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15)               \
    FX_N14(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14), a15
#define FX_N16(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16)          \
    FX_N15(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15), a16
#define FX_N17(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16, t17)     \
    FX_N16(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16), a17
#define FX_N18(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16, t17, t18) \
    FX_N17(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16, t17), a18
#define FX_N19(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16, t17, t18, \
               t19)                                                                             \
    FX_N18(t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11, t12, t13, t14, t15, t16, t17, t18), a19
#define FX_NAMES_(...) FX_CAT(FX_N, FX_NARG(__VA_ARGS__))(__VA_ARGS__)
#define FX_NAMES(args) FX_NAMES_ args

// One alias per host function: FX_LoadTGF_HostFn is the type of the host's FX_LoadTGF.
#define FX_FUNCTION(name, kind, result, missing, args)                                          \
    using name##_HostFn = finalepdk::HostFunction<result(FX_UNPAREN args)>::type;
#include "finalepdk/HostFunctions.def"
