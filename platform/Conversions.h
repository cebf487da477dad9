#pragma once

#include <string>

// Plain decimal conversion: an optional sign and digits, nothing else, within
// 32 bits. Anything else fails with EConvertError.
int StrToInt(const std::string& text);
