#pragma once

#include "ColorSpace.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// CSS's named colours, in alphabetical order.
struct TNamedColour {
    const char* Name;
    std::uint32_t Rgb; // 0xRRGGBB
};

std::span<const TNamedColour> NamedColours();

// The colour of a name, letter case ignored ("transparent" is black); none
// for a word that names no colour.
std::optional<TRgb8> ColourOfName(std::string_view name);

// The first name, alphabetically, of exactly this colour ("aqua" rather
// than "cyan", "gray" rather than "grey"); nullptr when it has none.
const char* NameOfColour(TRgb8 colour);

// The name whose colour lies nearest in OKLab.
const char* NearestName(TRgb8 colour);
