// How a form's controls look where the headless model has nothing to say: fonts per control.
// The model keeps behaviour; the view asks here for the typeface a control was designed with.
#pragma once

#include <map>
#include <string>

namespace cavix::qtview {

struct ControlLook {
  std::string family;       // empty: the form's font
  double points = 0;        // 0: the form's size
  bool symbolFont = false;  // the classic Symbol font: Latin letters show as Greek ones
};

// The form's own font size in points (the classic dialog font).
inline constexpr double kFormFontPoints = 8;

// The looks of the controls of the form named `formName` ("Name" or "Name(i)" keys); empty for a
// form without any. The hole dialog's are built in.
const std::map<std::string, ControlLook>& LooksOf(const std::string& formName);

// A text as the Symbol font shows it: a→α, b→β, … (UTF-8 in and out; other characters stay).
std::string SymbolFontText(const std::string& text);

}  // namespace cavix::qtview
