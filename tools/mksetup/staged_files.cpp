#include "tools/mksetup/staged_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

namespace {

// Temporary files to remove when a signal ends the process; the handler may only use
// what is async-signal-safe, hence fixed buffers.
constexpr int kMaxTemporaries = 16;
char gTemporaries[kMaxTemporaries][4096];
volatile sig_atomic_t gTemporaryCount = 0;

void RemoveTemporariesAndDie(int signal) {
  for (int i = 0; i < gTemporaryCount; ++i) {
    if (gTemporaries[i][0] != 0) ::unlink(gTemporaries[i]);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void Remember(const std::string& path) {
  if (gTemporaryCount >= kMaxTemporaries || path.size() >= sizeof gTemporaries[0])
    throw std::runtime_error("too many files to stage");
  std::memcpy(gTemporaries[gTemporaryCount], path.c_str(), path.size() + 1);
  ++gTemporaryCount;
}

void Forget(const std::string& path) {
  for (int i = 0; i < gTemporaryCount; ++i) {
    if (path == gTemporaries[i]) gTemporaries[i][0] = 0;
  }
}

std::string Error(const std::string& what, const std::string& path) {
  return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

StagedFiles::StagedFiles() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, RemoveTemporariesAndDie);
}

StagedFiles::~StagedFiles() {
  for (const Entry& e : entries_) {
    if (!committed_) ::unlink(e.temporary.c_str());
    Forget(e.temporary);
  }
  for (const std::string& temporary : scratch_) {
    ::unlink(temporary.c_str());
    Forget(temporary);
  }
  if (!committed_) {
    for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder) ::rmdir(folder->c_str());
  }
}

std::string StagedFiles::Stage(const std::string& target, bool executable) {
  std::string temporary = Create(target);
  entries_.push_back(Entry{target, temporary, executable});
  return temporary;
}

std::string StagedFiles::Scratch(const std::string& target) {
  std::string temporary = Create(target);
  scratch_.push_back(temporary);
  return temporary;
}

std::string StagedFiles::Create(const std::string& target) {
  size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string pattern = folder + "." + name + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back(0);
  int fd = ::mkstemp(buffer.data());
  if (fd < 0) throw std::runtime_error(Error("write beside", target));
  ::close(fd);
  std::string temporary(buffer.data());
  try {
    Remember(temporary);
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  return temporary;
}

void StagedFiles::Write(const std::string& temporary, const std::vector<uint8_t>& data) {
  FileWriter file(temporary);
  file.Append(data.data(), data.size());
  file.Finish();
}

void StagedFiles::Commit() {
  // Earlier targets are kept as hard links until every rename is through.
  std::vector<std::string> backups(entries_.size());
  size_t renamed = 0;
  std::string failure;
  for (size_t i = 0; i < entries_.size() && failure.empty(); ++i) {
    const Entry& e = entries_[i];
    struct stat st;
    if (::lstat(e.target.c_str(), &st) == 0) {
      backups[i] = e.temporary + ".old";
      if (::link(e.target.c_str(), backups[i].c_str()) != 0) {
        failure = Error("keep the earlier", e.target);
        backups[i].clear();
        break;
      }
    }
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(e.temporary.c_str(), (e.executable ? 0777 : 0666) & ~mask);
    if (::rename(e.temporary.c_str(), e.target.c_str()) != 0) {
      failure = Error("write", e.target);
      break;
    }
    renamed = i + 1;
  }
  if (!failure.empty()) {
    for (size_t i = 0; i < renamed; ++i) {
      if (!backups[i].empty()) ::rename(backups[i].c_str(), entries_[i].target.c_str());
      else ::unlink(entries_[i].target.c_str());
    }
    for (size_t i = renamed; i < entries_.size(); ++i) {
      if (!backups[i].empty()) ::unlink(backups[i].c_str());
    }
    throw std::runtime_error(failure);
  }
  for (const std::string& backup : backups) {
    if (!backup.empty()) ::unlink(backup.c_str());
  }
  committed_ = true;
}

void StagedFiles::MakeFolders(const std::string& path) {
  for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    std::string prefix = path.substr(0, at);
    if (!prefix.empty()) {
      if (::mkdir(prefix.c_str(), 0777) == 0) madeFolders_.push_back(prefix);
      else if (errno != EEXIST) throw std::runtime_error("cannot create " + prefix + ": " + std::strerror(errno));
    }
    if (at == std::string::npos) break;
  }
}

FileWriter::FileWriter(const std::string& path, bool empty) : path_(path) {
  fd_ = ::open(path.c_str(), empty ? O_WRONLY | O_CREAT | O_TRUNC : O_WRONLY, 0666);
  if (fd_ < 0) throw std::runtime_error(Error("write", path));
}

FileWriter::~FileWriter() {
  if (fd_ >= 0) ::close(fd_);
}

void FileWriter::Append(const uint8_t* data, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t k = ::write(fd_, data + done, n - done);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) throw std::runtime_error(Error("write", path_));
    done += size_t(k);
  }
}

void FileWriter::WriteAt(uint64_t offset, const uint8_t* data, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t k = ::pwrite(fd_, data + done, n - done, off_t(offset + done));
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) throw std::runtime_error(Error("write", path_));
    done += size_t(k);
  }
}

void FileWriter::Finish() {
  int fd = fd_;
  fd_ = -1;
  if (::fsync(fd) != 0) {
    std::string message = Error("write", path_);
    ::close(fd);
    throw std::runtime_error(message);
  }
  if (::close(fd) != 0) throw std::runtime_error(Error("write", path_));
}
