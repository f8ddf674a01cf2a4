// Reads the resources of a Windows program (PE32 or PE32+) straight from its file.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tools/mksetup/pe_image.h"

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

// One resource of the tree: its bytes held in data or, for one too large to hold, size
// bytes of file from offset (data then stays empty).
struct Resource {
  Resource() = default;
  Resource(ResourceName t, ResourceName n, uint32_t l, std::vector<uint8_t> d)
      : type(std::move(t)), name(std::move(n)), language(l), data(std::move(d)) {}
  Resource(ResourceName t, ResourceName n, uint32_t l, std::string f, uint64_t at, uint64_t length)
      : type(std::move(t)), name(std::move(n)), language(l), file(std::move(f)), offset(at), size(length) {}

  ResourceName type;
  ResourceName name;
  uint32_t language = 0;
  std::vector<uint8_t> data;
  std::string file;
  uint64_t offset = 0, size = 0;
};

uint64_t ResourceSize(const Resource& r);

// A resource's bytes read in order, from memory or from its file.
class ResourceBytes {
 public:
  explicit ResourceBytes(const Resource& r);
  ~ResourceBytes();
  ResourceBytes(const ResourceBytes&) = delete;
  ResourceBytes& operator=(const ResourceBytes&) = delete;
  // Up to n bytes; fewer only at the end. Throws PeError when the file cannot be read.
  size_t Read(uint8_t* out, size_t n);

 private:
  const Resource& r_;
  uint64_t done_ = 0;
  int fd_ = -1;
};

bool SameBytes(const Resource& a, const Resource& b);

// One resource of the tree where it lies in the file.
struct ResourceEntry {
  ResourceName type;
  ResourceName name;
  uint32_t language;
  uint64_t offset, size;
};

// Every resource of the file, in the tree's order. Reads in time linear in the size of
// the file: a tree that visits one directory twice, or holds more entries or data than
// the file could, is refused. Throws PeError.
std::vector<ResourceEntry> ReadResourceEntries(ByteView bytes, const std::string& path);

// The same with each resource's bytes copied.
std::vector<Resource> ReadResourceTree(ByteView bytes, const std::string& path);

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
std::map<ResourceKey, ResourceEntry> NumberedResources(ByteView bytes, const std::string& path);

// The whole file; throws PeError when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
