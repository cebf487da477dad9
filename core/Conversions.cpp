#include "Conversions.h"

#include "Exceptions.h"

#include <algorithm>
#include <charconv>

int StrToInt(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last) {
        throw EConvertError("'" + text + "' は有効な整数値ではありません");
    }
    return value;
}

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), LowerAscii);
    return text;
}
