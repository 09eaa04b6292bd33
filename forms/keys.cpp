// Windows-1252 key codes and UTF-8 texts.
#include "forms/keys.h"

#include <array>

namespace cavix::forms {

namespace {

// Unicode of the codes 0x80..0x9F; 0 where the code page has no character.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Length of the valid UTF-8 sequence at s[i] and its code point; 0 when the bytes there are not
// valid UTF-8 (overlong forms and surrogates included).
size_t DecodeAt(std::string_view s, size_t i, char32_t& c) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    c = b0;
    return 1;
  }
  size_t n;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    n = 2, c = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 3, c = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 4, c = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

int16_t AnsiCodeOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int16_t>(c);
  for (size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] != 0 && kHigh[i] == c) return static_cast<int16_t>(0x80 + i);
  return 63;
}

std::string Utf8OfAnsi(int16_t code) {
  std::string out;
  if (code < 32 || code > 255 || code == 127) return out;
  char32_t c = static_cast<char32_t>(code);
  if (code >= 0x80 && code <= 0x9F) {
    c = kHigh[static_cast<size_t>(code - 0x80)];
    if (c == 0) return out;
  }
  AppendUtf8(out, c);
  return out;
}

std::vector<int16_t> AnsiCodesOf(std::string_view utf8) {
  std::vector<int16_t> codes;
  for (size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    const size_t n = DecodeAt(utf8, i, c);
    if (n == 0) {
      codes.push_back(static_cast<int16_t>(static_cast<unsigned char>(utf8[i])));
      ++i;
    } else {
      codes.push_back(AnsiCodeOf(c));
      i += n;
    }
  }
  return codes;
}

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    char32_t c = 0;
    const size_t n = DecodeAt(bytes, i, c);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

int CharCount(std::string_view utf8) {
  int count = 0;
  for (size_t i = 0; i < utf8.size(); ++count) {
    char32_t c = 0;
    const size_t n = DecodeAt(utf8, i, c);
    i += n == 0 ? 1 : n;
  }
  return count;
}

size_t CharOffset(std::string_view utf8, int n) {
  size_t i = 0;
  for (int k = 0; k < n && i < utf8.size(); ++k) {
    char32_t c = 0;
    const size_t len = DecodeAt(utf8, i, c);
    i += len == 0 ? 1 : len;
  }
  return i;
}

size_t PreviousCharOffset(std::string_view utf8, size_t end) {
  if (end == 0) return 0;
  // A character of several bytes is a lead byte and its continuation bytes; anything else that
  // ends at `end` is one byte read as one character.
  size_t start = end - 1;
  while (start > 0 && end - start < 4 && (static_cast<unsigned char>(utf8[start]) & 0xC0) == 0x80)
    --start;
  char32_t c = 0;
  return DecodeAt(utf8, start, c) == end - start ? start : end - 1;
}

}  // namespace cavix::forms
