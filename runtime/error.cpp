// Numbered run-time errors: the standard descriptions and the exception that carries them.
#include "runtime/error.h"

#include <utility>

namespace cavix::rt {

namespace {

struct Described {
  int number;
  const char* text;
};

// The classic descriptions, in number order.
constexpr Described kDescriptions[] = {
    {3, "Return without GoSub"},
    {5, "Invalid procedure call or argument"},
    {6, "Overflow"},
    {7, "Out of memory"},
    {9, "Subscript out of range"},
    {11, "Division by zero"},
    {13, "Type mismatch"},
    {18, "User interrupt occurred"},
    {52, "Bad file name or number"},
    {53, "File not found"},
    {54, "Bad file mode"},
    {55, "File already open"},
    {57, "Device I/O error"},
    {58, "File already exists"},
    {61, "Disk full"},
    {62, "Input past end of file"},
    {70, "Permission denied"},
    {75, "Path/File access error"},
    {76, "Path not found"},
    {91, "Object variable or With block variable not set"},
    {380, "Invalid property value"},
    {381, "Invalid property array index"},
    {424, "Object required"},
    {429, "ActiveX component can't create object"},
    {438, "Object doesn't support this property or method"},
    {440, "Automation error"},
};

}  // namespace

std::string StandardDescription(int number) {
  for (const auto& d : kDescriptions) {
    if (d.number == number) return d.text;
  }
  return "Application-defined or object-defined error";
}

Error::Error(int number, std::string description, std::string source)
    : std::runtime_error(description.empty() ? StandardDescription(number) : description),
      number_(number),
      description_(description.empty() ? StandardDescription(number) : std::move(description)),
      source_(std::move(source)) {}

void Raise(int number, std::string description, std::string source) {
  throw Error(number, std::move(description), std::move(source));
}

void FailedAssertion(const char* condition, const char* file, int line, const char* why) {
  std::string where = file;
  if (const auto slash = where.find_last_of('/'); slash != std::string::npos)
    where.erase(0, slash + 1);
  throw InternalError(std::string(why) + " (" + condition + ", " + where + ":" +
                      std::to_string(line) + ")");
}

}  // namespace cavix::rt
