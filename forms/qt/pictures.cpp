// Picture sources: generators by scheme (the hole-type sections built in) and image files.
#include "forms/qt/pictures.h"

#include <map>

#include "forms/qt/hole_pictures.h"

namespace cavix::qtview {

namespace {

const std::map<std::string, PictureGenerator, std::less<>>& Generators() {
  static const std::map<std::string, PictureGenerator, std::less<>> generators = {
      {"holetype", [](std::string_view rest, QSize size) { return HoleTypePicture(rest, size); }},
  };
  return generators;
}

}  // namespace

QImage LoadPicture(const std::string& source, QSize size) {
  if (size.isEmpty()) return {};
  const size_t colon = source.find(':');
  // "C:/..." is a drive letter, not a scheme.
  if (colon != std::string::npos && colon > 1) {
    const auto it = Generators().find(std::string_view(source).substr(0, colon));
    if (it != Generators().end())
      return it->second(std::string_view(source).substr(colon + 1), size);
  }
  QImage file(QString::fromStdString(source));
  if (file.isNull()) return {};
  return file.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace cavix::qtview
