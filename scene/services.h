// The scene's utility services (units, registry reader, settings reader, class tags, shape
// discard), created through one factory that Scene::InstallServices puts in force.
#pragma once

#include <memory>

#include "host/services.h"
#include "scene/config_files.h"
#include "scene/scene.h"

namespace cavix::scene {

// Millimetres in one unit of a host unit code: 4 is the inch; 1, 2, 7 and 11 (model, page and
// drawing lengths) are the millimetre. Raises 5 for any other code.
double MillimetresPerUnit(int32_t code);

// The last parse of a registry or settings file, read again when the file changed (its size,
// time or identity) since.
struct FileStamp;
template <class File>
class ParsedFileCache {
 public:
  std::shared_ptr<const File> Get(const std::string& path);

 private:
  std::string path_;
  std::shared_ptr<const FileStamp> stamp_;
  std::shared_ptr<const File> file_;
};

std::unique_ptr<host::IUnitsService> MakeUnitsService();
std::unique_ptr<host::IRegistryReader> MakeRegistryReader(const std::string& registryFile);
std::unique_ptr<host::IRegistryReader> MakeRegistryReader(
    const std::string& registryFile, std::shared_ptr<ParsedFileCache<RegistryFile>> cache);
std::unique_ptr<host::ISettingsReader> MakeSettingsReader(const std::string& settingsFile);
std::unique_ptr<host::ISettingsReader> MakeSettingsReader(
    const std::string& settingsFile, std::shared_ptr<ParsedFileCache<SettingsFile>> cache);
std::unique_ptr<host::IClassTagService> MakeClassTagService(const Scene& scene);
std::unique_ptr<host::IShapeDiscardService> MakeShapeDiscardService(Scene& scene);

// A factory that creates each service afresh for every call, over the scene and its files.
std::unique_ptr<host::IServiceFactory> MakeServiceFactory(Scene& scene,
                                                          const ServiceConfig& config);

}  // namespace cavix::scene
