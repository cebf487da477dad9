#include "DisplayName.h"

#include <cstdint>
#include <iconv.h>
#include <optional>

namespace {

// The code point of the UTF-8 sequence starting at text[i] and its length in
// bytes; a length of 0 where the bytes there are no valid UTF-8 (overlong
// forms, surrogates and code points above U+10FFFF are not).
struct TCodePoint {
    char32_t Value = 0;
    std::size_t Length = 0;
};

TCodePoint DecodeUtf8(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        return {};
    }
    if (text.size() - i < length) {
        return {};
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return {};
        }
        value = value << 6 | (byte(i + k) & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return {};
    }
    return {value, length};
}

bool ValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const TCodePoint c = DecodeUtf8(text, i);
        if (c.Length == 0) {
            return false;
        }
        i += c.Length;
    }
    return true;
}

// Characters that would break a row or reorder it without being seen:
// controls, line and paragraph separators, bidirectional formatting.
bool Invisible(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0x200E ||
           c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// "\xE9" for a byte or a code point below 256, "\u2028" above.
void AppendEscaped(std::string& out, char32_t c) {
    static const char digits[] = "0123456789ABCDEF";
    out += c < 0x100 ? "\\x" : "\\u";
    for (int shift = c < 0x100 ? 4 : 12; shift >= 0; shift -= 4) {
        out += digits[(c >> shift) & 0xF];
    }
}

// UTF-8 text as it shows: invisible characters and bytes that are no UTF-8
// escaped, everything else as it stands.
std::string Shown(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const TCodePoint c = DecodeUtf8(text, i);
        if (c.Length == 0) {
            AppendEscaped(out, static_cast<std::uint8_t>(text[i]));
            ++i;
        } else if (Invisible(c.Value)) {
            AppendEscaped(out, c.Value);
            i += c.Length;
        } else {
            out.append(text.substr(i, c.Length));
            i += c.Length;
        }
    }
    return out;
}

// The name read as code page 932, as UTF-8; nothing when its bytes are not
// code page 932 or the system cannot convert it.
std::optional<std::string> FromCodePage932(std::string_view name) {
    const iconv_t converter = ::iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string in(name);
    // A character of one or two bytes becomes at most three bytes of UTF-8.
    std::string out(in.size() * 3, '\0');
    char* from = in.data();
    char* to = out.data();
    std::size_t fromLeft = in.size();
    std::size_t toLeft = out.size();
    const std::size_t done = ::iconv(converter, &from, &fromLeft, &to, &toLeft);
    ::iconv_close(converter);
    if (done == static_cast<std::size_t>(-1) || fromLeft != 0) {
        return std::nullopt;
    }
    out.resize(out.size() - toLeft);
    return out;
}

} // namespace

std::string DisplayName(std::string_view name) {
    if (ValidUtf8(name)) {
        return Shown(name);
    }
    if (const std::optional<std::string> text = FromCodePage932(name)) {
        return Shown(*text);
    }
    return Shown(name);
}

std::string DisplayPath(std::string_view path) {
    std::string shown;
    for (std::size_t start = 0;;) {
        const std::size_t slash = path.find('/', start);
        shown += DisplayName(path.substr(start, slash - start));
        if (slash == std::string_view::npos) {
            return shown;
        }
        shown += '/';
        start = slash + 1;
    }
}
