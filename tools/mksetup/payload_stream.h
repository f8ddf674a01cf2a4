// The payload stream: the product's files back to back, read in order without
// holding more than the caller asks for.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/mksetup/description.h"

class PayloadStream {
 public:
  explicit PayloadStream(const std::vector<PayloadFile>& files);
  ~PayloadStream();
  PayloadStream(const PayloadStream&) = delete;
  PayloadStream& operator=(const PayloadStream&) = delete;

  // Reads up to n bytes of the stream; fewer only at its end. Throws when a source
  // changed size since the description was read.
  size_t Read(uint8_t* out, size_t n);
  uint64_t Total() const { return total_; }

 private:
  const std::vector<PayloadFile>& files_;
  size_t index_ = 0;
  uint64_t doneInFile_ = 0;
  std::FILE* file_ = nullptr;
  uint64_t total_ = 0;
};
