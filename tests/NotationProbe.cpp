// Writes and reads colour notations line by line for the CSS reference check
// (css_reference.mjs): "write" turns colour values into every notation,
// "read" texts into the colour irochi reads, or "none".
#include "ColorNotation.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    std::string line;
    while (std::getline(std::cin, line)) {
        if (mode == "write") {
            const TColor value = std::stoi(line);
            for (const TNotationText& n : ColourNotations(value)) {
                std::cout << value << '\t' << int(n.Kind) << '\t' << n.Exact << '\t' << n.Text
                          << '\n';
            }
        } else if (mode == "read") {
            const auto colour = ReadColour(line);
            std::cout << (colour ? std::to_string(*colour) : "none") << '\n';
        } else {
            std::cerr << "usage: notation_probe write|read\n";
            return 2;
        }
    }
    return 0;
}
