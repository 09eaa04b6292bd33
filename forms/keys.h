// Keys as the form's key-press events see them: 16-bit ANSI (Windows-1252) character codes, and
// the conversions between them and the UTF-8 texts the controls hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cavix::forms {

// The ANSI code of a Unicode character; 63 ("?") for a character the code page lacks.
int16_t AnsiCodeOf(char32_t c);
// The character of an ANSI code as UTF-8; empty for control codes (below 32, and 127) and for
// codes outside 0..255.
std::string Utf8OfAnsi(int16_t code);
// The key codes of the characters of a UTF-8 text (invalid bytes are read as Windows-1252).
std::vector<int16_t> AnsiCodesOf(std::string_view utf8);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Characters (code points) in a UTF-8 text, and the byte offset of character `n` (clamped).
int CharCount(std::string_view utf8);
size_t CharOffset(std::string_view utf8, int n);
// The byte offset of the character that ends at byte `end`, counting characters as CharOffset
// does (a byte that is not valid UTF-8 is one character), without reading the text before it.
size_t PreviousCharOffset(std::string_view utf8, size_t end);

}  // namespace cavix::forms
