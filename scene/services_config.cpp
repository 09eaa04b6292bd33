// The registry reader (with its file test) and the settings reader, over the files the
// application names. Each reader reads its file when it is created, as a fresh utility object
// sees the current state of the registry.
#include "runtime/error.h"
#include "runtime/text_file.h"
#include "scene/config_files.h"
#include "scene/services.h"

namespace cavix::scene {

namespace {

// Windows' ERROR_FILE_NOT_FOUND, what a registry read reports for a missing key or value.
constexpr int32_t kStatusNotFound = 2;

class RegistryReader final : public host::IRegistryReader {
 public:
  explicit RegistryReader(const std::string& file) : file_(file) {}

  void ReadString(int32_t root, std::string& key, std::string& name, std::string& value,
                  int32_t& status) override {
    const char* rootName = RegistryRootName(root);
    if (!rootName)
      rt::Raise(rt::err::kInvalidCall, "unknown registry root " + std::to_string(root), "Registry");
    if (!loaded_) {
      reg_ = RegistryFile::Load(file_);
      loaded_ = true;
    }
    std::optional<std::string> v = reg_.Value(std::string(rootName) + "\\" + key, name);
    value = v.value_or(std::string{});
    status = v ? 0 : kStatusNotFound;
  }

  void FileExists(std::string& path, bool& exists) override { exists = rt::FileExists(path); }

 private:
  std::string file_;
  RegistryFile reg_;
  bool loaded_ = false;
};

class SettingsReader final : public host::ISettingsReader {
 public:
  explicit SettingsReader(const std::string& file) : ini_(SettingsFile::Load(file)) {}

  void SelectSection(std::string& section, bool& found) override {
    found = ini_.HasSection(section);
    if (found) section_ = section;
    selected_ = found;
  }

  void ReadKey(std::string& key, std::string& value, bool& found) override {
    std::optional<std::string> v;
    if (selected_) v = ini_.Value(section_, key);
    found = v.has_value();
    value = v.value_or(std::string{});
  }

  void EndSection() override { selected_ = false; }

 private:
  SettingsFile ini_;
  std::string section_;
  bool selected_ = false;
};

}  // namespace

std::unique_ptr<host::IRegistryReader> MakeRegistryReader(const std::string& registryFile) {
  return std::make_unique<RegistryReader>(registryFile);
}

std::unique_ptr<host::ISettingsReader> MakeSettingsReader(const std::string& settingsFile) {
  return std::make_unique<SettingsReader>(settingsFile);
}

}  // namespace cavix::scene
