#pragma once

// Result codes, fill rules and operation codes shared by every stage of the
// polygon engine.  The engine reports through small codes, never exceptions.

#include <cstdint>

namespace scrivane::engine {

// Result codes.
inline constexpr int kOk = 0;
// The result is not a closed, consistently directed graph.
inline constexpr int kNotEulerian = 4;
// Bad operands: a missing or unsuitable graph, a source that is not closed,
// a coordinate that is not finite or too large for the exact grid arithmetic.
inline constexpr int kBadOperands = 5;
// The operation would exceed the engine's bounds on crossings or memory; the
// destination is left empty.
inline constexpr int kTooComplex = 6;

// Fill rules.
inline constexpr int kEvenOdd = 0;
inline constexpr int kNonZero = 1;

// Boolean operations.
inline constexpr int kUnion = 0;
inline constexpr int kIntersection = 1;
inline constexpr int kDifference = 2;
inline constexpr int kExclusiveOr = 3;
inline constexpr int kCut = 4;

// Line joins (any other value joins like bevel) and caps (any other: butt).
inline constexpr int kJoinBevel = 0;
inline constexpr int kJoinRound = 1;
inline constexpr int kJoinMiter = 2;
inline constexpr int kCapButt = 0;
inline constexpr int kCapSquare = 1;
inline constexpr int kCapRound = 2;
inline constexpr int kCapPointed = 3;

// Every coordinate that enters a sweep is rounded to multiples of 1/32.
inline constexpr int kGridShift = 5;
inline constexpr double kGridScale = 32.0;
// The largest coordinate, in grid units, that the exact integer arithmetic
// of the sweep accepts: every grid value is then exact in a float, and
// crossing points fit 128-bit integers.
inline constexpr std::int64_t kMaxGridCoordinate = std::int64_t(1) << 24;

} // namespace scrivane::engine
