// The pictures that image lists name: a source is a file path, or "scheme:rest" for a picture a
// built-in generator draws (the hole-type sections are "holetype:<type>.<state>").
#pragma once

#include <QImage>
#include <QSize>
#include <functional>
#include <string>
#include <string_view>

namespace cavix::qtview {

// Draws the picture named `rest` at `size` device pixels; a null image when it does not know it.
using PictureGenerator = std::function<QImage(std::string_view rest, QSize size)>;

// The picture of `source` at `size` device pixels (a file is scaled to fit, keeping its aspect);
// a null image for an unknown generator, a name the generator does not know or an unreadable file.
QImage LoadPicture(const std::string& source, QSize size);

}  // namespace cavix::qtview
