#include "tools/mksetup/payload_stream.h"

#include <algorithm>
#include <stdexcept>

PayloadStream::PayloadStream(const std::vector<PayloadFile>& files) : files_(files) {
  for (const PayloadFile& f : files) total_ += f.size;
}

PayloadStream::~PayloadStream() {
  if (file_ != nullptr) std::fclose(file_);
}

size_t PayloadStream::Read(uint8_t* out, size_t n) {
  size_t got = 0;
  while (got < n && index_ < files_.size()) {
    const PayloadFile& f = files_[index_];
    if (file_ == nullptr && f.size != 0) {
      file_ = std::fopen(f.source.c_str(), "rb");
      if (file_ == nullptr) throw std::runtime_error("cannot read " + f.source);
    }
    uint64_t left = f.size - doneInFile_;
    size_t want = size_t(std::min<uint64_t>(left, n - got));
    size_t read = want == 0 ? 0 : std::fread(out + got, 1, want, file_);
    if (read != want) throw std::runtime_error(f.source + " changed while it was read");
    got += read;
    doneInFile_ += read;
    if (doneInFile_ == f.size) {
      if (file_ != nullptr) {
        bool longer = std::fgetc(file_) != EOF;
        std::fclose(file_);
        file_ = nullptr;
        if (longer) throw std::runtime_error(f.source + " changed while it was read");
      }
      ++index_;
      doneInFile_ = 0;
    }
  }
  return got;
}
