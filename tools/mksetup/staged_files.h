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
  // A new empty temporary file beside target that is removed however the build ends.
  std::string Scratch(const std::string& target);
  // Creates path and its missing parents; those it made go again unless Commit ran.
  // Throws std::runtime_error.
  void MakeFolders(const std::string& path);
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
  std::string Create(const std::string& target);

  std::vector<Entry> entries_;
  std::vector<std::string> scratch_;
  std::vector<std::string> madeFolders_;  // outermost first
  bool committed_ = false;
};

// A file written from its start a piece at a time. Throws std::runtime_error.
class FileWriter {
 public:
  // Empties the file unless it is to be changed in place.
  explicit FileWriter(const std::string& path, bool empty = true);
  ~FileWriter();
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  void Append(const uint8_t* data, size_t n);
  // Overwrites bytes already appended.
  void WriteAt(uint64_t offset, const uint8_t* data, size_t n);
  // Flushes the file to disk and closes it.
  void Finish();

 private:
  std::string path_;
  int fd_ = -1;
};

