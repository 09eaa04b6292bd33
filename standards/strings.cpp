// The three language blocks of the string table. The German block is partly English and keeps
// its spelling as shipped; captions and messages are compared against these texts.
#include "standards/strings.h"

#include <array>

#include "runtime/error.h"

namespace cavix::strings {

namespace {

struct Row {
  int offset;
  const char* italian;
  const char* english;
  const char* german;
};

constexpr const char* kMillimetres =
    "This tool was designed to be used with scene units of millimeters.";

// offset | Italian (1000+) | English (2000+) | German (3000+)
constexpr std::array<Row, 21> kTable{{
    {0, "Zentrox", "Zentrox", "Zentrox"},
    {1, "Normativa", "Standard", "Norm"},
    {2, "Misura", "Type", "Typ"},
    {3, "Lung. Foro", "Hole Length", "L\xC3\xA4nge"},
    {4, "Punta V", "Bottom V", "Bottom V"},
    {5, "Filetto", "Thread", "Thread"},
    {6, "Passante", "Through", "Through"},
    {7, "Piatta", "Flat", "Flat"},
    {8, "Incasso/Svasatura", "CSink/CBore", "CSink/CBore"},
    {9, "Diametro", "Diameter", "Diameter"},
    {10, "Profondit\xC3\xA0", "Length", "Lenght"},
    {11, "Angolo", "Angle", "Angle"},
    {12, "OK", "OK", "OK"},
    {13, "Annulla", "Cancel", "Cancel"},
    {14, kMillimetres, kMillimetres, kMillimetres},
    {20, "Filetto", "Thread", "Thread"},
    {21, "Lung. dopo filetto", "Length after Thread", "Lenght after Thread"},
    {22, "Passo Filetto", "Thread Pitch", "Thread Pitch"},
    {23, "Lung. Filetto", "Length of Thread", "Lenght of Thread"},
    {50, "Il valore inserito deve essere maggiore di 0", "This value must be greater than zero",
     "This value must to be greather than zero"},
    {52, "Il Diametro Incasso deve essere maggiore del diametro foro",
     "This Diameter must be grater than the hole diameter",
     "This Diameter must to be grather that diameter of the hole"},
}};

}  // namespace

std::string LoadResString(int identifier) {
  const int block = identifier / 1000;
  const int offset = identifier % 1000;
  if (identifier > 0 && block >= 1 && block <= 3) {
    for (const Row& row : kTable) {
      if (row.offset != offset) continue;
      switch (block) {
        case 1:
          return row.italian;
        case 2:
          return row.english;
        default:
          return row.german;
      }
    }
  }
  rt::Raise(326, "Resource with identifier '" + std::to_string(identifier) + "' not found");
}

std::string LocalisedText(int languageBase, int offset) {
  return LoadResString(languageBase + offset);
}

}  // namespace cavix::strings
