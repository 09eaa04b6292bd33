// Helpers shared by the standards tests: a registry held in a map.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/services.h"

namespace cavix::testing {

// A registry of (key, value name) -> text, answering "" for anything missing, and counting how
// many readers were created and released.
class MapRegistry : public host::IServiceFactory {
 public:
  std::map<std::pair<std::string, std::string>, std::string> values;
  int created = 0;
  int released = 0;
  std::vector<int> roots;

  void Set(const std::string& key, const std::string& name, const std::string& value) {
    values[{key, name}] = value;
  }

  std::unique_ptr<host::IRegistryReader> CreateRegistryReader() override {
    ++created;
    return std::make_unique<Reader>(*this);
  }
  std::unique_ptr<host::IUnitsService> CreateUnitsService() override { return nullptr; }
  std::unique_ptr<host::ISettingsReader> CreateSettingsReader() override { return nullptr; }
  std::unique_ptr<host::IClassTagService> CreateClassTagService() override { return nullptr; }
  std::unique_ptr<host::IShapeDiscardService> CreateShapeDiscardService() override {
    return nullptr;
  }

 private:
  class Reader : public host::IRegistryReader {
   public:
    explicit Reader(MapRegistry& r) : r_(r) {}
    ~Reader() override { ++r_.released; }
    void ReadString(int32_t root, std::string& key, std::string& name, std::string& value,
                    int32_t& status) override {
      r_.roots.push_back(root);
      auto it = r_.values.find({key, name});
      value = it == r_.values.end() ? std::string() : it->second;
      status = it == r_.values.end() ? 1 : 0;
    }
    void FileExists(std::string&, bool& exists) override { exists = false; }

   private:
    MapRegistry& r_;
  };
};

}  // namespace cavix::testing
