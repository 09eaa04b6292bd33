// The cosmetic thread: a picture of thread crests wrapped around the threaded face of a bore.
// Finding the image, and asking the host for a surface finish that shows it.
#pragma once

#include <string>

#include "host/services.h"

namespace cavix::geo {

inline constexpr const char* kThreadImageName = "3iaoftt.jpg";
// Where the host's settings have no "ThreadFile" key in their "Directories" section.
inline constexpr const char* kDefaultThreadDir = "v:\\bin.32";

// Wraps the thread image around the bore of `shape` at the point (x, y, z) (model units, inside
// the threaded face). `diameter` is the bore diameter and `pitch` the thread pitch, both in mm:
// one image width covers the circumference, one image height 6.25 pitches. Without an image
// file nothing happens; errors of the finish request and its properties are skipped silently,
// host errors before that (the surface component, the normal, the shape update) reach the caller.
void ApplyThreadTexture(host::IShape& shape, double& x, double& y, double& z, double& diameter,
                        double pitch);

// The first existing of: application directory + "\Images\3iaoftt.jpg", then the host's thread
// file directory + "\3iaoftt.jpg", each by the host's file test (only an explicit true counts).
// False (and `path` unchanged) when neither exists.
bool FindThreadImage(host::IServiceFactory& services, std::string& path);

// The host setting "Directories"/"ThreadFile" with one trailing backslash dropped;
// "v:\bin.32" when the section has no such key, "" when there is no such section.
std::string GetThreadFileDir(host::IServiceFactory& services);

}  // namespace cavix::geo
