// How the window words what it shows: model texts, errors, counts, lengths.
#pragma once

#include <QString>
#include <exception>
#include <string>

#include "host_window/face_frame.h"
#include "runtime/error.h"
#include "runtime/regional.h"

namespace cavix::hostwindow {

inline QString Text(const std::string& s) { return QString::fromStdString(s); }

// "Error 5: description" for the add-in's numbered errors, the message of any other.
inline QString ErrorText(const std::exception& e) {
  if (const auto* r = dynamic_cast<const rt::Error*>(&e))
    return QString("Error %1: %2").arg(r->Number()).arg(Text(r->Description()));
  return Text(e.what());
}

// "1 hole", "12 holes".
inline QString Counted(size_t n, const char* one, const char* many) {
  return QString("%1 %2").arg(n).arg(n == 1 ? one : many);
}

// A length for people: up to 15 significant digits in the regional form, exact values without
// trailing zeros ("15", "12.5").
inline QString Length(double value) {
  return QString::fromStdString(rt::FormatGeneral(Exact(value)));
}

}  // namespace cavix::hostwindow
