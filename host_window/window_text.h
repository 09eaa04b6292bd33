// How the window words what it shows: model texts, errors, counts.
#pragma once

#include <QString>
#include <exception>
#include <string>

#include "runtime/error.h"

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

}  // namespace cavix::hostwindow
