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

// A resource type or name: a number, or (when text is not empty) a string.
struct ResourceName {
  uint32_t id = 0;
  std::u16string text;
  bool operator<(const ResourceName& o) const { return std::tie(text, id) < std::tie(o.text, o.id); }
  bool operator==(const ResourceName& o) const { return id == o.id && text == o.text; }
};

ResourceName NumberedName(uint32_t id);
ResourceName TextName(const char* ascii);

// One resource of the tree, whole.
struct Resource {
  ResourceName type;
  ResourceName name;
  uint32_t language;
  std::vector<uint8_t> data;
};

// Every resource of the file, in the tree's order. Reads in time linear in the size of
// the file: a tree that visits one directory twice, or holds more entries or data than
// the file could, is refused. Throws PeError.
std::vector<Resource> ReadResourceTree(const std::vector<uint8_t>& bytes, const std::string& path);

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

// The whole file; throws PeError when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
