// restub BUILT.exe STUB.exe OUT.exe: the product of a built setup program (its
// configuration, payload, integrity records, version information and manifest) on
// another stub, as mksetup build would write it. Compressing a large payload takes
// minutes; this lets the installation benchmark try each new stub in seconds.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/mksetup/pe_resources.h"
#include "tools/mksetup/pe_writer.h"
#include "tools/mksetup/product_resources.h"

namespace {

bool IsProductResource(const Resource& r) {
  static const char* const kTextTypes[] = {"CONFIG", "ARCHIVE", "CHECKSUM"};
  static const uint32_t kNumberedTypes[] = {16, 24};  // version information, manifest
  for (const char* type : kTextTypes) {
    if (r.type == TextName(type)) return true;
  }
  for (uint32_t type : kNumberedTypes) {
    if (r.type == NumberedName(type)) return true;
  }
  return false;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temporary = path + ".part";
  FILE* f = std::fopen(temporary.c_str(), "wb");
  bool written = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f != nullptr && std::fclose(f) != 0) written = false;
  if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw std::runtime_error(path + ": cannot be written");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: restub BUILT.exe STUB.exe OUT.exe\n");
    return 2;
  }
  try {
    const std::vector<uint8_t> built = ReadWholeFile(argv[1]);
    const std::vector<uint8_t> stub = ReadWholeFile(argv[2]);
    std::vector<Resource> resources;
    for (const Resource& r : ReadResourceTree(stub, argv[2])) {
      if (!IsProductResource(r)) resources.push_back(r);
    }
    size_t product = 0;
    for (const Resource& r : ReadResourceTree(built, argv[1])) {
      if (IsProductResource(r)) {
        resources.push_back(r);
        ++product;
      }
    }
    if (product == 0) throw std::runtime_error(std::string(argv[1]) + ": holds no product");
    const std::string problem = ChecksumProblem(resources);
    if (!problem.empty()) throw std::runtime_error(std::string(argv[1]) + ": " + problem);
    WriteFile(argv[3], ReplaceResources(stub, argv[2], resources));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "restub: %s\n", e.what());
    return 1;
  }
}
