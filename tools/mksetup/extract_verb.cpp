// mksetup extract SETUP.exe DIR: writes every file of the payload under DIR, each at
// its target with $(Name) read as a folder called Name.
#include <sys/stat.h>
#include <unistd.h>

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

// Refuses what would write over the whole file system or the current folder by mistake.
void CheckFolder(const std::string& dir) {
  if (dir.empty()) throw std::runtime_error("extract needs a folder, not an empty name");
  if (dir.find_first_not_of('/') == std::string::npos)
    throw std::runtime_error("extract will not write into the root folder");
}

// What one extraction created, removed again when it fails part-way.
class Written {
 public:
  ~Written() {
    if (kept_) return;
    for (auto it = paths_.rbegin(); it != paths_.rend(); ++it) {
      if (it->second) ::rmdir(it->first.c_str());
      else ::unlink(it->first.c_str());
    }
  }
  void MakeParents(const std::string& path) {
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
      std::string prefix = path.substr(0, at);
      if (::mkdir(prefix.c_str(), 0777) == 0) paths_.emplace_back(prefix, true);
      else if (errno != EEXIST) throw std::runtime_error("cannot create " + prefix + ": " + std::strerror(errno));
    }
  }
  void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    paths_.emplace_back(path, false);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
  }
  void Keep() { kept_ = true; }

 private:
  std::vector<std::pair<std::string, bool>> paths_;  // path, is a folder
  bool kept_ = false;
};

}  // namespace

int RunExtractVerb(int argc, char** argv) {
  if (argc != 2) return UsageError("extract needs SETUP.exe and DIR", "extract SETUP.exe DIR");
  const std::vector<std::string> args(argv, argv + argc);
  try {
    CheckFolder(args[1]);
    SetupFile setup = OpenSetupFile(args[0]);
    std::vector<uint8_t> stream = DecodePayload(setup);  // CRC checked before anything is written
    UseConfiguration(setup, setup.englishStrings);
    std::vector<std::string> paths;
    for (uint32_t i = 0; i < ConfigWord(wordFileCount); ++i) {
      const uint8_t* r = ConfigRecord(wordFileTable, kFileRecordSize, i);
      paths.push_back(args[1] + "/" + RelativePath(ConfigString(RecordField(r, fileTarget))));
    }
    Written written;
    written.MakeParents(args[1] + "/");
    size_t offset = 0;
    for (uint32_t i = 0; i < ConfigWord(wordFileCount); ++i) {
      uint32_t size = RecordField(ConfigRecord(wordFileTable, kFileRecordSize, i), fileSize);
      written.MakeParents(paths[i]);
      written.WriteFile(paths[i], stream.data() + offset, size);
      std::printf("%10u  %s\n", size, paths[i].c_str());
      offset += size;
    }
    written.Keep();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mksetup: %s\n", e.what());
    return kToolFailure;
  }
}
