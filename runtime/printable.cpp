// Texts from files made safe for a terminal.
#include "runtime/printable.h"

namespace cavix::rt {

std::string Printable(std::string_view text) {
  static const char* const kHex = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ++i;
      if (b >= 0x20 && b < 0x7F)
        out += static_cast<char>(b);
      else if (b == '\n')
        out += "\\n";
      else if (b == '\r')
        out += "\\r";
      else if (b == '\t')
        out += "\\t";
      else
        out += std::string("\\x") + kHex[b >> 4] + kHex[b & 15];
      continue;
    }
    // A UTF-8 sequence: its length from the lead byte, checked whole (no overlongs, surrogates).
    const size_t len = b >= 0xC2 && b <= 0xDF   ? 2
                       : b >= 0xE0 && b <= 0xEF ? 3
                       : b >= 0xF0 && b <= 0xF4 ? 4
                                                : 0;
    char32_t c = len == 2 ? b & 0x1F : len == 3 ? b & 0x0F : b & 0x07;
    bool ok = len != 0 && i + len <= text.size();
    for (size_t k = 1; ok && k < len; ++k) {
      const auto n = static_cast<unsigned char>(text[i + k]);
      ok = (n & 0xC0) == 0x80;
      c = (c << 6) | (n & 0x3F);
    }
    ok = ok && !(len == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) &&
         !(len == 4 && (c < 0x10000 || c > 0x10FFFF));
    if (!ok) {
      out += std::string("\\x") + kHex[b >> 4] + kHex[b & 15];
      ++i;
      continue;
    }
    // C1 controls, and the marks and overrides that reorder text on screen.
    const bool control = c < 0xA0 || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
                         (c >= 0x2066 && c <= 0x2069);
    if (control) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
      out += buf;
    } else {
      out.append(text, i, len);
    }
    i += len;
  }
  return out;
}

}  // namespace cavix::rt
