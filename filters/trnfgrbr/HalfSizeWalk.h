#pragma once
// The half-size deinterlacer's picture walk: of every two rows (in memory order) the first is
// kept, and of the kept row every second pixel, chosen by a column phase that is carried on from
// row to row (and frame to frame). For an even width that is the odd-numbered columns of every
// row; for an odd width the choice alternates between the kept rows.

#include "com/Types.h"

struct HalfSizeGeometry {
  LONG inWidth = 0;  // absolute sizes
  LONG inHeight = 0;
  LONG outWidth = 0;  // half the input's, truncated
  LONG outHeight = 0;
  WORD depth = 0;  // 24 or 32
  DWORD inStride = 0;
  DWORD outStride = 0;

  DWORD InputBytes() const { return inStride * static_cast<DWORD>(inHeight); }
  DWORD OutputBytes() const { return outStride * static_cast<DWORD>(outHeight); }
};

HalfSizeGeometry MakeHalfSizeGeometry(LONG width, LONG height, WORD depth);

// Writes the output picture from the input picture (both of the geometry's sizes). columnPhase
// (0 or 1) is where the first kept row starts and, on return, where the next frame starts. The
// output gets at most outWidth pixels per row and outHeight rows: the last kept row of an odd
// height, and the extra pixel an odd width can leave in a row, only move the phase on.
void WalkHalfSize(const HalfSizeGeometry& geometry, const BYTE* in, BYTE* out, int& columnPhase);
