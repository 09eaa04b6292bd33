// The class-tag and shape-discard services, and the factory that creates every utility object.
#include "runtime/error.h"
#include "scene/services.h"

namespace cavix::scene {

namespace {

class ClassTagService final : public host::IClassTagService {
 public:
  explicit ClassTagService(const Scene& scene) : scene_(scene) {}
  std::string ProgIdToClassTag(std::string& progId, int32_t&) override {
    const host::ClassInfo* info = scene_.FindClassByProgId(progId);
    if (!info) rt::Raise(429, "class \"" + progId + "\" is not registered", "ClassTags");
    return info->classId;
  }

 private:
  const Scene& scene_;
};

class ShapeDiscardService final : public host::IShapeDiscardService {
 public:
  explicit ShapeDiscardService(Scene& scene) : scene_(scene) {}
  void ShapeDiscard(host::IShape& shape) override {
    auto* s = dynamic_cast<Shape*>(&shape);
    if (!s) rt::Raise(rt::err::kInvalidCall, "not a shape of this scene", "ShapeDiscard");
    scene_.DiscardShape(*s);
  }

 private:
  Scene& scene_;
};

class ServiceFactory final : public host::IServiceFactory {
 public:
  ServiceFactory(Scene& scene, ServiceConfig config) : scene_(scene), config_(std::move(config)) {}
  host::UserFolders CurrentUserFolders() override { return config_.user; }
  std::unique_ptr<host::IUnitsService> CreateUnitsService() override { return MakeUnitsService(); }
  std::unique_ptr<host::IRegistryReader> CreateRegistryReader() override {
    return MakeRegistryReader(config_.registryFile, registry_);
  }
  std::unique_ptr<host::ISettingsReader> CreateSettingsReader() override {
    return MakeSettingsReader(config_.settingsFile, settings_);
  }
  std::unique_ptr<host::IClassTagService> CreateClassTagService() override {
    return MakeClassTagService(scene_);
  }
  std::unique_ptr<host::IShapeDiscardService> CreateShapeDiscardService() override {
    return MakeShapeDiscardService(scene_);
  }

 private:
  Scene& scene_;
  ServiceConfig config_;
  // Each hole of a pattern reads the registry; the files are parsed once while they stay as
  // they are.
  std::shared_ptr<ParsedFileCache<RegistryFile>> registry_ =
      std::make_shared<ParsedFileCache<RegistryFile>>();
  std::shared_ptr<ParsedFileCache<SettingsFile>> settings_ =
      std::make_shared<ParsedFileCache<SettingsFile>>();
};

}  // namespace

std::unique_ptr<host::IClassTagService> MakeClassTagService(const Scene& scene) {
  return std::make_unique<ClassTagService>(scene);
}

std::unique_ptr<host::IShapeDiscardService> MakeShapeDiscardService(Scene& scene) {
  return std::make_unique<ShapeDiscardService>(scene);
}

std::unique_ptr<host::IServiceFactory> MakeServiceFactory(Scene& scene,
                                                          const ServiceConfig& config) {
  return std::make_unique<ServiceFactory>(scene, config);
}

}  // namespace cavix::scene
