// Helpers that turn a row of the vocabulary (a name, a format and the kinds of
// its arguments) into a parameter list and an argument list:
//   PM_PARAMS(Short, Int)  ->  Short a1, Int a2
//   PM_ARGS(Short, Int)    ->  a1, a2
//   PM_PARAMS()            ->  (nothing)
#pragma once

// NOTE: __VA_OPT__ drops the comma when a row has no argument kinds, so the
// count is 0; GCC 12 and Clang 14 accept it in C++17 mode without warnings.
#define PM_COUNT(...) PM_COUNT_(_ __VA_OPT__(,) __VA_ARGS__, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0)
#define PM_COUNT_(_0, _1, _2, _3, _4, _5, _6, _7, _8, _9, _10, _11, _12, _13, _14, _15, _16, N, ...) N
#define PM_CAT(a, b) PM_CAT_(a, b)
#define PM_CAT_(a, b) a##b

#define PM_PARAMS(...) PM_CAT(PM_P, PM_COUNT(__VA_ARGS__))(__VA_ARGS__)
#define PM_P0()
#define PM_P1(a) a a1
#define PM_P2(a, b) PM_P1(a), b a2
#define PM_P3(a, b, c) PM_P2(a, b), c a3
#define PM_P4(a, b, c, d) PM_P3(a, b, c), d a4
#define PM_P5(a, b, c, d, e) PM_P4(a, b, c, d), e a5
#define PM_P6(a, b, c, d, e, f) PM_P5(a, b, c, d, e), f a6
#define PM_P7(a, b, c, d, e, f, g) PM_P6(a, b, c, d, e, f), g a7
#define PM_P8(a, b, c, d, e, f, g, h) PM_P7(a, b, c, d, e, f, g), h a8
#define PM_P9(a, b, c, d, e, f, g, h, i) PM_P8(a, b, c, d, e, f, g, h), i a9
#define PM_P10(a, b, c, d, e, f, g, h, i, j) PM_P9(a, b, c, d, e, f, g, h, i), j a10
#define PM_P11(a, b, c, d, e, f, g, h, i, j, k) PM_P10(a, b, c, d, e, f, g, h, i, j), k a11
#define PM_P12(a, b, c, d, e, f, g, h, i, j, k, l) PM_P11(a, b, c, d, e, f, g, h, i, j, k), l a12
#define PM_P13(a, b, c, d, e, f, g, h, i, j, k, l, m) PM_P12(a, b, c, d, e, f, g, h, i, j, k, l), m a13
#define PM_P14(a, b, c, d, e, f, g, h, i, j, k, l, m, n) PM_P13(a, b, c, d, e, f, g, h, i, j, k, l, m), n a14
#define PM_P15(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o) PM_P14(a, b, c, d, e, f, g, h, i, j, k, l, m, n), o a15
#define PM_P16(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p) PM_P15(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o), p a16

#define PM_ARGS(...) PM_CAT(PM_A, PM_COUNT(__VA_ARGS__))
#define PM_A0
#define PM_A1 a1
#define PM_A2 PM_A1, a2
#define PM_A3 PM_A2, a3
#define PM_A4 PM_A3, a4
#define PM_A5 PM_A4, a5
#define PM_A6 PM_A5, a6
#define PM_A7 PM_A6, a7
#define PM_A8 PM_A7, a8
#define PM_A9 PM_A8, a9
#define PM_A10 PM_A9, a10
#define PM_A11 PM_A10, a11
#define PM_A12 PM_A11, a12
#define PM_A13 PM_A12, a13
#define PM_A14 PM_A13, a14
#define PM_A15 PM_A14, a15
#define PM_A16 PM_A15, a16
