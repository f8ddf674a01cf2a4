// Files written under temporary names beside their targets and put in place together
// only when all are complete: a failed or interrupted build leaves the earlier output
// as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class StagedFiles {
 public:
  StagedFiles();
  ~StagedFiles();
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;

  // A new empty temporary file beside target; returns its path. Throws std::runtime_error.
  std::string Stage(const std::string& target, bool executable = false);
  // Writes data to a staged file (replacing its content) and flushes it to disk.
  void Write(const std::string& temporary, const std::vector<uint8_t>& data);
  // Renames every staged file over its target; when one rename fails, the targets
  // already replaced get their earlier content back. Throws std::runtime_error.
  void Commit();

 private:
  struct Entry {
    std::string target, temporary;
    bool executable;
  };
  std::vector<Entry> entries_;
  bool committed_ = false;
};

// Creates path and its missing parents. Throws std::runtime_error.
void MakeFolders(const std::string& path);
