// The registry reader (with its file test) and the settings reader, over the files the
// application names. Each reader sees its file as it is when the reader is created, as a fresh
// utility object sees the current state of the registry; a file that has not changed since the
// last reader is not read again.
#include <sys/stat.h>

#include "runtime/error.h"
#include "runtime/text_file.h"
#include "scene/config_files.h"
#include "scene/services.h"

#include <functional>
#include <memory>

namespace cavix::scene {

namespace {

// Windows' ERROR_FILE_NOT_FOUND, what a registry read reports for a missing key or value.
constexpr int32_t kStatusNotFound = 2;

class RegistryReader final : public host::IRegistryReader {
 public:
  explicit RegistryReader(std::function<std::shared_ptr<const RegistryFile>()> load)
      : load_(std::move(load)) {}

  void ReadString(int32_t root, std::string& key, std::string& name, std::string& value,
                  int32_t& status) override {
    const char* rootName = RegistryRootName(root);
    if (!rootName)
      rt::Raise(rt::err::kInvalidCall, "unknown registry root " + std::to_string(root), "Registry");
    if (!reg_) reg_ = load_();
    std::optional<std::string> v = reg_->Value(std::string(rootName) + "\\" + key, name);
    value = v.value_or(std::string{});
    status = v ? 0 : kStatusNotFound;
  }

  void FileExists(std::string& path, bool& exists) override { exists = rt::FileExists(path); }

 private:
  std::function<std::shared_ptr<const RegistryFile>()> load_;
  std::shared_ptr<const RegistryFile> reg_;
};

class SettingsReader final : public host::ISettingsReader {
 public:
  explicit SettingsReader(std::shared_ptr<const SettingsFile> ini) : ini_(std::move(ini)) {}

  void SelectSection(std::string& section, bool& found) override {
    found = ini_->HasSection(section);
    if (found) section_ = section;
    selected_ = found;
  }

  void ReadKey(std::string& key, std::string& value, bool& found) override {
    std::optional<std::string> v;
    if (selected_) v = ini_->Value(section_, key);
    found = v.has_value();
    value = v.value_or(std::string{});
  }

  void EndSection() override { selected_ = false; }

 private:
  std::shared_ptr<const SettingsFile> ini_;
  std::string section_;
  bool selected_ = false;
};

}  // namespace

// What identifies a file's content without reading it.
struct FileStamp {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  bool operator==(const FileStamp& o) const {
    return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
           mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
  }
};

namespace {
FileStamp StampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}
}  // namespace

template <class File>
std::shared_ptr<const File> ParsedFileCache<File>::Get(const std::string& path) {
  const FileStamp stamp = StampOf(path);
  if (!file_ || path != path_ || !(stamp == *stamp_)) {
    file_ = std::make_shared<const File>(File::Load(path));
    path_ = path;
    stamp_ = std::make_shared<FileStamp>(stamp);
  }
  return file_;
}

template class ParsedFileCache<RegistryFile>;
template class ParsedFileCache<SettingsFile>;

std::unique_ptr<host::IRegistryReader> MakeRegistryReader(const std::string& registryFile) {
  return std::make_unique<RegistryReader>(
      [registryFile] { return std::make_shared<const RegistryFile>(RegistryFile::Load(registryFile)); });
}

std::unique_ptr<host::IRegistryReader> MakeRegistryReader(
    const std::string& registryFile, std::shared_ptr<ParsedFileCache<RegistryFile>> cache) {
  return std::make_unique<RegistryReader>([registryFile, cache] { return cache->Get(registryFile); });
}

std::unique_ptr<host::ISettingsReader> MakeSettingsReader(const std::string& settingsFile) {
  return std::make_unique<SettingsReader>(
      std::make_shared<const SettingsFile>(SettingsFile::Load(settingsFile)));
}

std::unique_ptr<host::ISettingsReader> MakeSettingsReader(
    const std::string& settingsFile, std::shared_ptr<ParsedFileCache<SettingsFile>> cache) {
  return std::make_unique<SettingsReader>(cache->Get(settingsFile));
}

}  // namespace cavix::scene
