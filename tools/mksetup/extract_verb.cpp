// mksetup extract SETUP.exe DIR: writes every file of the payload under DIR, each at
// its target with $(Name) read as a folder called Name.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "config/config.h"
#include "tools/mksetup/setup_file.h"
#include "tools/mksetup/verbs.h"

namespace {

// "$(Destination)\docs\a.txt" -> "Destination/docs/a.txt". Refuses targets that would
// leave DIR.
std::string RelativePath(const std::string& target) {
  std::string path;
  for (size_t i = 0; i < target.size(); ++i) {
    if (target.compare(i, 2, "$(") == 0) {
      size_t end = target.find(')', i);
      if (end == std::string::npos) end = target.size();
      path += target.substr(i + 2, end - i - 2);
      i = end;
    } else if (target[i] == '\\' || target[i] == '/') {
      path += '/';
    } else if (target[i] == ':') {
      path += '_';
    } else {
      path += target[i];
    }
  }
  std::string clean;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part == "..") throw std::runtime_error("target " + target + " leaves the folder");
    if (!part.empty() && part != ".") clean += (clean.empty() ? "" : "/") + part;
    start = end + 1;
  }
  if (clean.empty()) throw std::runtime_error("target " + target + " names no file");
  return clean;
}

void MakeParents(const std::string& path) {
  for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
    std::string prefix = path.substr(0, at);
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
      throw std::runtime_error("cannot create " + prefix + ": " + std::strerror(errno));
  }
}

}  // namespace

int RunExtractVerb(int argc, char** argv) {
  if (argc != 2) return UsageError("extract needs SETUP.exe and DIR", "extract SETUP.exe DIR");
  const std::vector<std::string> args(argv, argv + argc);
  try {
    SetupFile setup = OpenSetupFile(args[0]);
    std::vector<uint8_t> stream = DecodePayload(setup);  // CRC checked before anything is written
    UseConfiguration(setup, setup.englishStrings);
    std::vector<std::string> paths;
    for (uint32_t i = 0; i < ConfigWord(wordFileCount); ++i) {
      const uint8_t* r = ConfigRecord(wordFileTable, kFileRecordSize, i);
      paths.push_back(args[1] + "/" + RelativePath(ConfigString(RecordField(r, fileTarget))));
    }
    size_t offset = 0;
    for (uint32_t i = 0; i < ConfigWord(wordFileCount); ++i) {
      uint32_t size = RecordField(ConfigRecord(wordFileTable, kFileRecordSize, i), fileSize);
      MakeParents(paths[i]);
      std::ofstream out(paths[i], std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(stream.data() + offset), size);
      if (!out.flush()) throw std::runtime_error("cannot write " + paths[i]);
      std::printf("%10u  %s\n", size, paths[i].c_str());
      offset += size;
    }
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mksetup: %s\n", e.what());
    return kToolFailure;
  }
}
