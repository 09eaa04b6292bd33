// Thread texture: image lookup through the registry and host settings, and the surface finish.
#include "geometry/thread_texture.h"

#include "geometry/units.h"
#include "host/services.h"
#include "runtime/error.h"
#include "runtime/fp.h"
#include "standards/config.h"

namespace cavix::geo {

namespace {

// One image height covers this many thread pitches.
constexpr double kPitchesPerImage = 6.25;

// Runs one statement of the finish set-up; a host error skips just that statement.
template <class F>
bool Try(F&& statement) {
  try {
    statement();
    return true;
  } catch (const rt::Error&) {
    return false;
  }
}

}  // namespace

std::string GetThreadFileDir(host::IServiceFactory& services) {
  std::string value;
  auto reader = services.CreateSettingsReader();
  std::string section = "Directories";
  bool found = false;
  reader->SelectSection(section, found);
  if (found) {
    std::string key = "ThreadFile";
    bool keyFound = false;
    reader->ReadKey(key, value, keyFound);
    if (!keyFound) value = kDefaultThreadDir;
    reader->EndSection();
  }
  if (!value.empty() && value.back() == '\\') value.pop_back();
  return value;
}

bool FindThreadImage(host::IServiceFactory& services, std::string& path) {
  const config::Registry registry(services);
  std::string first = registry.ApplDir() + "\\Images\\" + kThreadImageName;
  if (registry.FileExists(first)) {
    path = first;
    return true;
  }
  std::string second = GetThreadFileDir(services) + "\\" + kThreadImageName;
  if (registry.FileExists(second)) {
    path = second;
    return true;
  }
  return false;
}

void ApplyThreadTexture(host::IShape& shape, double& x, double& y, double& z, double& diameter,
                        double pitch) {
  std::string path;
  if (!FindThreadImage(shape.Application().Services(), path)) return;

  host::IComponents& surfaces = shape.Components(host::comp::kSurface);
  host::IComponent& surface = surfaces.Count() == 0 ? surfaces.Add() : surfaces.Item(1);
  double nx = 0, ny = 0, nz = 0;
  shape.GetNormal(nx, ny, nz);
  shape.Update();

  // The finish is decoration: whatever the host refuses from here on is skipped, and the hole
  // stays as built.
  host::ISurfaceFinish* finish = nullptr;
  if (!Try([&] { finish = &surface.SurfaceFinish(x, y, z, 1, 1, 0); })) return;
  const int16_t index = 1;
  Try([&] { finish->SetTextureFile(path); });
  Try([&] { finish->SetProjectionType(index, int32_t{3}); });
  Try([&] { finish->SetVerticalRatio(index, int16_t{1}); });
  Try([&] { finish->SetHorizontalRatio(index, int16_t{1}); });
  Try([&] { finish->SetProjectionWidth(index, rt::Checked(rt::kPi * diameter)); });
  Try([&] {
    double inches = rt::Div(kPitchesPerImage, rt::Div(rt::kMmPerInch, pitch));
    finish->SetProjectionHeight(index, InchesToPage(shape.Page(), inches));
  });
  Try([&] { finish->SetUpDirection(index, nx, ny, nz); });
  Try([&] { finish->SetFlip(index, true); });
}

}  // namespace cavix::geo
