#include "tools/mksetup/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

MappedFile::MappedFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    std::string message = "cannot read " + path + ": " + std::strerror(errno);
    ::close(fd);
    throw std::runtime_error(message);
  }
  size_ = size_t(st.st_size);
  if (size_ != 0) {
    void* at = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
    if (at == MAP_FAILED) {
      std::string message = "cannot read " + path + ": " + std::strerror(errno);
      ::close(fd);
      throw std::runtime_error(message);
    }
    data_ = static_cast<uint8_t*>(at);
  }
  ::close(fd);
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(data_, size_);
}

void MappedFile::Release(const uint8_t* upTo) {
  static const size_t kPage = size_t(::sysconf(_SC_PAGESIZE));
  if (data_ == nullptr || upTo <= data_) return;
  size_t end = std::min(size_t(upTo - data_), size_) / kPage * kPage;
  if (end <= released_) return;
  // Only a hint: the pages stay readable whether or not it is taken.
  ::madvise(data_ + released_, end - released_, MADV_DONTNEED);
  released_ = end;
}
