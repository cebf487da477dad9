#pragma once

#include <string>
#include <string_view>

// File names are bytes; these turn them into UTF-8 text to show, as a
// Japanese user expects. The bytes themselves stay what the program opens,
// sorts and remembers.

// A name that is valid UTF-8 as it stands; else, when its bytes are valid
// code page 932 (the encoding of names from older Japanese systems), as that
// text; else as UTF-8 with each byte that cannot be read written "\xE9". A
// control character or line end is written the same way ("\x0A", "\u2028"),
// so that every name shows on one row and as the characters it holds.
std::string DisplayName(std::string_view name);

// A path shown name by name: each part between "/" as DisplayName shows it.
std::string DisplayPath(std::string_view path);
