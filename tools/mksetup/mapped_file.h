// A file mapped for reading whose pages are given back as a reader moves past them, so
// that a pass over a large file holds only a little of it at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/mksetup/pe_image.h"

class MappedFile {
 public:
  // Throws std::runtime_error when the file cannot be read.
  explicit MappedFile(const std::string& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }
  ByteView View() const { return ByteView(data_, size_); }
  // Gives back the pages that lie wholly before upTo; reading them again reads the file.
  void Release(const uint8_t* upTo);

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t released_ = 0;
};
