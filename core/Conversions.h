#pragma once

#include <string>

// Plain decimal conversion: an optional sign and digits, nothing else, within
// 32 bits. Anything else fails with EConvertError.
int StrToInt(const std::string& text);

// ASCII letters lower-cased; every other byte, UTF-8 included, unchanged. File
// names, extensions and control names compare this way.
constexpr char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}
std::string LowerCase(std::string text);
