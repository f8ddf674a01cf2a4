// Decoding speed of the setup's decoder against two other decoders, and of its CRC-32
// against zlib's, on raw Deflate streams of real program files and text gathered from
// this machine: one made by the builder (mksetup's encoder) and one by zlib at level 9.
//
//   inflate_bench [benchmark flags]   times every decoder on every stream
//   inflate_bench --once [STREAM]     decodes each stream once with each decoder and
//                                     folds the payload into each CRC once; for counting
//                                     instructions (scripts/bench.sh --instructions)
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "config/state.h"
#include "payload/crc32.h"
#include "payload/inflate.h"
#include "payload/writer_state.h"
#include "text/status.h"
#include "tools/mksetup/compress.h"
#include "tools/mksetup/decode.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr size_t kPayloadSize = 3381472;  // the size of a typical payload
constexpr size_t kPerFile = 128 * 1024;   // many files rather than a few large ones

// Takes files from a folder in name order until `limit` bytes are gathered.
void Gather(const fs::path& root, bool recursive, size_t limit, Bytes* out) {
  std::vector<fs::path> files;
  std::error_code error;
  auto consider = [&](const fs::directory_entry& entry) {
    if (entry.is_symlink(error) || !entry.is_regular_file(error)) return;
    if (entry.path().extension() == ".gz") return;  // already compressed
    files.push_back(entry.path());
  };
  if (recursive) {
    for (const auto& e : fs::recursive_directory_iterator(root, error)) consider(e);
  } else {
    for (const auto& e : fs::directory_iterator(root, error)) consider(e);
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    if (out->size() >= limit) break;
    std::ifstream in(file, std::ios::binary);
    Bytes content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    content.resize(std::min({content.size(), kPerFile, limit - out->size()}));
    out->insert(out->end(), content.begin(), content.end());
  }
}

Bytes ZlibLevel9(const Bytes& data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, data.size()));
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

uint32_t ZlibCrc(const Bytes& data) {
  return static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
}

// The builder's stream is kept beside this program, named by the size and CRC of what
// it encodes and by the encoder, so that runs compare the same stream.
Bytes BuilderStream(const Bytes& data, const fs::path& folder) {
  char name[80];
  std::snprintf(name, sizeof name, "builder-%zu-%08x-fast.deflate", data.size(), ZlibCrc(data));
  const fs::path cached = folder / name;
  std::ifstream in(cached, std::ios::binary);
  if (in) return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::fprintf(stderr, "encoding the payload with the builder's encoder once (%s)...\n", name);
  Bytes stream = DeflateOnce(data.data(), data.size(), CompressOptions());
  const fs::path partial = cached.string() + ".part";
  std::ofstream(partial, std::ios::binary)
      .write(reinterpret_cast<const char*>(stream.data()), std::streamsize(stream.size()));
  fs::rename(partial, cached);
  return stream;
}

struct Stream {
  std::string name;
  Bytes bytes;
};

Bytes gOriginal;
std::vector<Stream> gStreams;
const Bytes* gStream = nullptr;  // the stream being decoded
Bytes gOutput;

// Kept out of line so that an instruction count can be taken per function.
// Through the builder's own driver of the decoder, whose writer copies each window
// out as the extraction hands it to the file system.
__attribute__((noinline)) void DecodeWithThisDecoder() {
  size_t fill = 0;
  int status = DecodeStream(gStream->data(), gStream->size(), [&](const uint8_t* data, size_t n) {
    if (n > gOutput.size() - fill) return false;
    std::memcpy(gOutput.data() + fill, data, n);
    fill += n;
    return true;
  });
  if (status != statusOk || fill != gOriginal.size()) std::abort();
}

__attribute__((noinline)) void DecodeWithZlib() {
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = const_cast<Bytef*>(gStream->data());
  z.avail_in = static_cast<uInt>(gStream->size());
  z.next_out = gOutput.data();
  z.avail_out = static_cast<uInt>(gOutput.size());
  if (inflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
  inflateEnd(&z);
}

__attribute__((noinline)) void DecodeWithLibdeflate() {
  static libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  size_t actual = 0;
  if (libdeflate_deflate_decompress(d, gStream->data(), gStream->size(), gOutput.data(),
                                    gOutput.size(), &actual) != LIBDEFLATE_SUCCESS) {
    std::abort();
  }
}

__attribute__((noinline)) uint32_t CrcWithThisCrc() {
  return UpdateCrc32(0xFFFFFFFFu, gOriginal.data(), gOriginal.size()) ^ 0xFFFFFFFFu;
}

// As the extraction sums it: one window of 32 KB at a time.
__attribute__((noinline)) uint32_t CrcWithThisCrcInWindows() {
  constexpr size_t kWindow = 32768;
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t at = 0; at < gOriginal.size(); at += kWindow) {
    crc = UpdateCrc32(crc, gOriginal.data() + at, std::min(kWindow, gOriginal.size() - at));
  }
  return crc ^ 0xFFFFFFFFu;
}

__attribute__((noinline)) uint32_t CrcWithZlib() { return ZlibCrc(gOriginal); }

struct Decoder {
  const char* name;
  void (*decode)();
};
const Decoder kDecoders[] = {{"this_decoder", DecodeWithThisDecoder},
                             {"zlib", DecodeWithZlib},
                             {"libdeflate", DecodeWithLibdeflate}};

struct Checksum {
  const char* name;
  uint32_t (*crc)();
};
const Checksum kChecksums[] = {{"this_crc", CrcWithThisCrc},
                               {"this_crc_windows", CrcWithThisCrcInWindows},
                               {"zlib", CrcWithZlib}};

// Every decoder and checksum must get it right before it is timed.
void CheckAll(const Stream& stream) {
  gStream = &stream.bytes;
  for (const Decoder& d : kDecoders) {
    std::fill(gOutput.begin(), gOutput.end(), 0);
    d.decode();
    if (gOutput != gOriginal) {
      std::fprintf(stderr, "%s decoded the %s stream wrongly\n", d.name, stream.name.c_str());
      std::exit(1);
    }
  }
}

void CheckChecksums() {
  const uint32_t expected = ZlibCrc(gOriginal);
  for (const Checksum& c : kChecksums) {
    if (c.crc() != expected) {
      std::fprintf(stderr, "the CRC-32 of %s differs\n", c.name);
      std::exit(1);
    }
  }
}

void TimeDecoder(benchmark::State& state, const Stream* stream, void (*decode)()) {
  gStream = &stream->bytes;
  for (auto _ : state) {
    decode();
    benchmark::DoNotOptimize(gOutput.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gOriginal.size()));
}

void TimeChecksum(benchmark::State& state, uint32_t (*crc)()) {
  for (auto _ : state) benchmark::DoNotOptimize(crc());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gOriginal.size()));
}

// Keeps the throughput of every benchmark for the summary: the median when runs are
// repeated, otherwise the one run.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  SummaryReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      const std::string name = run.run_name.function_name;
      if (!median && medians_.count(name) != 0) continue;
      auto found = run.counters.find("bytes_per_second");
      if (found == run.counters.end()) continue;
      megabytesPerSecond[name] = found->second / 1e6;
      if (median) medians_.insert(name);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> megabytesPerSecond;

 private:
  std::set<std::string> medians_;
};

void PrintSummary(const std::map<std::string, double>& speed) {
  std::printf("\n");
  auto line = [&](const std::string& name, const std::string& peer) {
    auto found = speed.find(name);
    if (found == speed.end()) return;
    std::printf("%-36s %8.1f MB/s", name.c_str(), found->second);
    auto other = speed.find(peer);
    if (!peer.empty() && other != speed.end() && other->second > 0) {
      std::printf("   %.2fx %s", found->second / other->second, peer.c_str());
    }
    std::printf("\n");
  };
  for (const Stream& s : gStreams) {
    const std::string prefix = "inflate/" + s.name + "/";
    line(prefix + "this_decoder", prefix + "zlib");
    line(prefix + "this_decoder", prefix + "libdeflate");
    line(prefix + "zlib", "");
    line(prefix + "libdeflate", "");
  }
  line("crc32/this_crc", "crc32/zlib");
  line("crc32/this_crc_windows", "crc32/zlib");
  line("crc32/zlib", "");
}

}  // namespace

int main(int argc, char** argv) {
  const bool once = argc >= 2 && std::strcmp(argv[1], "--once") == 0;
  const std::string only = once && argc >= 3 ? argv[2] : "";

  Gather("/usr/bin", false, kPayloadSize / 2, &gOriginal);
  Gather("/usr/share/doc", true, kPayloadSize, &gOriginal);
  Gather("/usr/share", true, kPayloadSize, &gOriginal);  // in case doc is thin
  const fs::path folder = fs::absolute(argv[0]).parent_path();
  gStreams.push_back({"builder", BuilderStream(gOriginal, folder)});
  gStreams.push_back({"zlib9", ZlibLevel9(gOriginal)});
  gOutput.resize(gOriginal.size());
  std::printf("payload: %zu bytes of files from /usr/bin and /usr/share\n", gOriginal.size());
  for (const Stream& s : gStreams) {
    std::printf("stream %-8s %zu bytes of raw Deflate\n", s.name.c_str(), s.bytes.size());
  }

  // In --once mode this is all that runs: one decode per decoder, one CRC per checksum.
  for (const Stream& s : gStreams) {
    if (only.empty() || only == s.name) CheckAll(s);
  }
  if (only.empty() || only == "crc32") CheckChecksums();
  if (once) return 0;

  for (const Stream& s : gStreams) {
    for (const Decoder& d : kDecoders) {
      benchmark::RegisterBenchmark(("inflate/" + s.name + "/" + d.name).c_str(), TimeDecoder,
                                   &s, d.decode)
          ->MinTime(2.0);
    }
  }
  for (const Checksum& c : kChecksums) {
    benchmark::RegisterBenchmark((std::string("crc32/") + c.name).c_str(), TimeChecksum, c.crc)
        ->MinTime(1.0);
  }
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  PrintSummary(reporter.megabytesPerSecond);
  return 0;
}
