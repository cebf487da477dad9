#pragma once

#include "ColorNotation.h"

#include <optional>
#include <string>
#include <vector>

// What irochi-pick is asked to do, read from its command line.
struct TPickOptions {
    TNotation Notation = TNotation::Hex;
    bool Copy = false; // also put the text on the clipboard and keep it there
    bool Help = false;
};

// The options of these arguments (the program's name left out); none, with
// `error` saying why, when one is not understood.
std::optional<TPickOptions> ReadPickOptions(const std::vector<std::string>& arguments,
                                            std::string& error);

// The name of a notation on the command line: "hex", "oklch", "display-p3", …
std::string NotationOptionName(TNotation notation);

// What --help prints.
std::string PickUsage();
