#pragma once
// The analog video standards a decoder can be switched between: the table of the standards the
// component knows, in list order, with their names, and the conversions between a bit mask of
// standards and the list of names handed to the host.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dshow/DShow.h"

struct TAnalogStandard {
  std::int32_t Value;  // one AnalogVideo_* bit
  std::string_view Name;
};

// List order and matching order. PAL G (0x40) and bit 0x8 have no row: they are never listed
// and never selected; bits above PAL N COMBO are ignored.
inline constexpr std::array<TAnalogStandard, 19> kAnalogStandards{{
    {AnalogVideo_NTSC_M, "NTSC M"},
    {AnalogVideo_NTSC_M_J, "NTSC M J"},
    {AnalogVideo_NTSC_433, "NTSC 433"},
    {AnalogVideo_PAL_B, "PAL B"},
    {AnalogVideo_PAL_D, "PAL D"},
    {AnalogVideo_PAL_H, "PAL H"},
    {AnalogVideo_PAL_I, "PAL I"},
    {AnalogVideo_PAL_M, "PAL M"},
    {AnalogVideo_PAL_N, "PAL N"},
    {AnalogVideo_PAL_60, "PAL 60"},
    {AnalogVideo_SECAM_B, "SECAM B"},
    {AnalogVideo_SECAM_D, "SECAM D"},
    {AnalogVideo_SECAM_G, "SECAM G"},
    {AnalogVideo_SECAM_H, "SECAM H"},
    {AnalogVideo_SECAM_K, "SECAM K"},
    {AnalogVideo_SECAM_K1, "SECAM K1"},
    {AnalogVideo_SECAM_L, "SECAM L"},
    {AnalogVideo_SECAM_L1, "SECAM L1"},
    {AnalogVideo_PAL_N_COMBO, "PAL N COMBO"},
}};

// The names of the standards set in mask, in table order.
std::vector<std::string> StandardNameList(std::int32_t mask);
// The same names as one text, "\r\n" between them.
std::string StandardNames(std::int32_t mask);
// The bit of the row whose name equals name exactly (case-sensitive). Any other text writes
// "ERROR: invalid tv format" to the process log and gives NTSC M.
std::int32_t StandardValue(std::string_view name);
