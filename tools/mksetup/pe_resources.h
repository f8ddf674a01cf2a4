// Reads the resources of a Windows program (PE32 or PE32+) straight from its file.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

struct PeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct ResourceKey {
  std::string type;  // a name such as "CONFIG", or "#N" for a numbered type
  uint32_t id;       // only numbered resources are kept
  uint32_t language;
  bool operator<(const ResourceKey& o) const {
    return std::tie(type, id, language) < std::tie(o.type, o.id, o.language);
  }
};

// Every numbered resource of the file. Throws PeError when the file is not a Windows
// program or its resource section is damaged.
std::map<ResourceKey, std::vector<uint8_t>> ReadPeResources(const std::string& path);
