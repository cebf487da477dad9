#pragma once

#include <cstdint>

// A colour value: 0x00BBGGRR, red in the low byte. A value whose top byte is
// 0xFF refers to one of the desktop's system colours by the index in its low
// byte. Every one of the 32 bits is kept wherever a colour is stored.
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr std::uint32_t SystemColorFlag = 0xFF000000u;
constexpr std::uint32_t COLOR_WINDOW = 5;
constexpr std::uint32_t COLOR_WINDOWTEXT = 8;
constexpr std::uint32_t COLOR_BTNFACE = 15;

constexpr TColor clWindowText = static_cast<TColor>(SystemColorFlag | COLOR_WINDOWTEXT);
constexpr TColor clBtnFace = static_cast<TColor>(SystemColorFlag | COLOR_BTNFACE);

// What a failed pixel read gives: all 32 bits set.
constexpr TColor CLR_INVALID = static_cast<TColor>(0xFFFFFFFFu);

// Channels come from the unsigned bit pattern, so the top byte never reaches
// them, whatever its value.
constexpr int GetRValue(TColor c) {
    return static_cast<int>(static_cast<std::uint32_t>(c) & 0xFF);
}
constexpr int GetGValue(TColor c) {
    return static_cast<int>((static_cast<std::uint32_t>(c) >> 8) & 0xFF);
}
constexpr int GetBValue(TColor c) {
    return static_cast<int>((static_cast<std::uint32_t>(c) >> 16) & 0xFF);
}

// Composing keeps the low 8 bits of each channel; the top byte is always 0.
constexpr TColor RGB(int r, int g, int b) {
    return static_cast<TColor>((static_cast<std::uint32_t>(r) & 0xFF) |
                               ((static_cast<std::uint32_t>(g) & 0xFF) << 8) |
                               ((static_cast<std::uint32_t>(b) & 0xFF) << 16));
}
