// Turns fuzzed bytes into a dialog script: user actions on the hole dialog's controls, with
// values drawn from a table of telling texts or from the bytes themselves. Every byte string
// decodes to some script, so the fuzzer spends its time in the dialog, not in the script reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "forms/script.h"

namespace cavix::fuzz {

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool Empty() const { return p_ == end_; }
  uint8_t Byte() { return p_ == end_ ? 0 : *p_++; }
  // Up to `max` bytes as text.
  std::string Text(size_t max) {
    size_t n = Byte() % (max + 1);
    std::string out;
    while (n-- > 0 && p_ != end_) out.push_back(static_cast<char>(*p_++));
    return out;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

struct DialogControl {
  const char* name;
  int indexCount;  // a control array's or tab strip's element count, 0 for a single control
};

inline constexpr DialogControl kDialogControls[] = {
    {"OptHoleType", 4}, {"TabNorme", 2},       {"Normativa", 0},          {"Misura", 0},
    {"Lunghezza", 0},   {"AngoloPunta", 0},    {"ToggleFiletto", 0},      {"TogglePassante", 0},
    {"TogglePunta", 0}, {"TxtLungAfterThread", 0}, {"TxtThreadPitch", 0}, {"DiamIncasso", 0},
    {"ProfIncasso", 0}, {"AngSvaso", 0},       {"OKButton", 0},           {"CancelButton", 0},
};

inline constexpr const char* kTellingTexts[] = {
    "",      "0",     "-1",   "1",     "10",    "2.5",   "2,5",    "1e308", "-1e308", "1e-320",
    "1E5",   "abc",   " 7 ",  "M10",   "M6",    "#1",    "90",     "180",   "360",    "0.001",
    "99999999999999999999", "1,000.5", "&H10", ".",     "-",     "+3",     "3d2",   "\xff\xfe",
};

inline std::string TextFrom(ByteReader& in) {
  const uint8_t pick = in.Byte();
  if (pick < 200) return kTellingTexts[pick % std::size(kTellingTexts)];
  return in.Text(24);
}

// A script of at most `maxActions` actions, ending with a close of the window.
inline forms::Script DecodeScript(ByteReader& in, size_t maxActions) {
  forms::Script script;
  script.file = "fuzz-actions";
  while (!in.Empty() && script.actions.size() < maxActions) {
    forms::ScriptAction a;
    a.line = static_cast<int>(script.actions.size()) + 1;
    const uint8_t verb = in.Byte();
    const DialogControl& c = kDialogControls[in.Byte() % std::size(kDialogControls)];
    a.control = c.name;
    if (c.indexCount > 0) a.index = in.Byte() % (c.indexCount + 1);  // one past the end too
    switch (verb % 8) {
      case 0:
        a.verb = forms::Verb::Click;
        break;
      case 1:
        a.verb = forms::Verb::Select;
        if (in.Byte() & 1)
          a.selectIndex = in.Byte() % 40;
        else
          a.text = TextFrom(in);
        break;
      case 2:
        a.verb = forms::Verb::Check;
        a.value = in.Byte() & 1;
        break;
      case 3:
        a.verb = forms::Verb::Text;
        a.text = TextFrom(in);
        break;
      case 4: {
        a.verb = forms::Verb::Keys;
        const size_t n = in.Byte() % 12;
        for (size_t k = 0; k < n; ++k) {
          const uint8_t b = in.Byte();
          // Mostly the characters a number is typed with, sometimes any key code.
          static constexpr char kNumberKeys[] = "0123456789.,-+eE \b\r\t\x1b";
          a.keys.push_back(b < 192 ? kNumberKeys[b % (sizeof kNumberKeys - 1)]
                                   : static_cast<int16_t>(b - 192));
        }
        break;
      }
      case 5:
        a.verb = forms::Verb::Focus;
        break;
      case 6:
        a.verb = forms::Verb::Dump;
        break;
      default:
        a.verb = (verb & 0x80) ? forms::Verb::Close : forms::Verb::Click;
        break;
    }
    script.actions.push_back(std::move(a));
  }
  forms::ScriptAction close;
  close.verb = forms::Verb::Close;
  close.line = static_cast<int>(script.actions.size()) + 1;
  script.actions.push_back(close);
  return script;
}

}  // namespace cavix::fuzz
