// Control looks by form, with the hole dialog's fonts, and the Symbol font's Greek letters.
#include "forms/qt/looks.h"

namespace cavix::qtview {

namespace {

const std::map<std::string, std::map<std::string, ControlLook>>& Registry() {
  static const std::map<std::string, std::map<std::string, ControlLook>> looks = [] {
    const ControlLook arial{"Arial", 9, false};
    const ControlLook symbol{"", 9.75, true};
    std::map<std::string, std::map<std::string, ControlLook>> r;
    // The dimension letters beside the hole dialog's fields.
    r["Dialog"] = {{"Label1", arial}, {"Label2", arial}, {"Label3", symbol}, {"Label4", arial},
                   {"Label5", arial}, {"Label6", arial}, {"Label7", arial},  {"Label8", symbol}};
    return r;
  }();
  return looks;
}

}  // namespace

const std::map<std::string, ControlLook>& LooksOf(const std::string& formName) {
  static const std::map<std::string, ControlLook> kNone;
  const auto& r = Registry();
  const auto it = r.find(formName);
  return it == r.end() ? kNone : it->second;
}

std::string SymbolFontText(const std::string& text) {
  // The Symbol font's letters A..Z and a..z.
  static const char* const kUpper[26] = {"Α", "Β", "Χ", "Δ", "Ε", "Φ", "Γ", "Η", "Ι",
                                         "ϑ", "Κ", "Λ", "Μ", "Ν", "Ο", "Π", "Θ", "Ρ",
                                         "Σ", "Τ", "Υ", "ς", "Ω", "Ξ", "Ψ", "Ζ"};
  static const char* const kLower[26] = {"α", "β", "χ", "δ", "ε", "φ", "γ", "η", "ι",
                                         "ϕ", "κ", "λ", "μ", "ν", "ο", "π", "θ", "ρ",
                                         "σ", "τ", "υ", "ϖ", "ω", "ξ", "ψ", "ζ"};
  std::string out;
  for (char c : text) {
    if (c >= 'A' && c <= 'Z')
      out += kUpper[c - 'A'];
    else if (c >= 'a' && c <= 'z')
      out += kLower[c - 'a'];
    else
      out += c;
  }
  return out;
}

}  // namespace cavix::qtview
