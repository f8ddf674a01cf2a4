// Decoding speed of the setup's decoder against two other decoders, on one raw
// Deflate stream of real program files and text gathered from this machine.
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
#include <string>
#include <vector>

#include "config/state.h"
#include "payload/inflate.h"
#include "payload/writer_state.h"
#include "text/status.h"

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

Bytes RawDeflate(const Bytes& data) {
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

Bytes gOriginal;
Bytes gStream;
Bytes gOutput;
size_t gOutputFill = 0;

void CheckOutput(const char* who) {
  if (gOutput != gOriginal) {
    std::fprintf(stderr, "%s decoded the stream wrongly\n", who);
    std::exit(1);
  }
}

}  // namespace

// The writer copies each window out, as the extraction hands it to the file system.
int FlushWindow() {
  std::memcpy(gOutput.data() + gOutputFill, gWindow, gWindowFill);
  gOutputFill += gWindowFill;
  return statusOk;
}

namespace {

void DecodeWithThisDecoder() {
  gOutputFill = 0;
  gInput = gStream.data();
  gInputLeft = static_cast<int32_t>(gStream.size());
  if (Inflate() != statusOk || gOutputFill != gOriginal.size()) std::abort();
}

void DecodeWithZlib() {
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = const_cast<Bytef*>(gStream.data());
  z.avail_in = static_cast<uInt>(gStream.size());
  z.next_out = gOutput.data();
  z.avail_out = static_cast<uInt>(gOutput.size());
  if (inflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
  inflateEnd(&z);
}

void DecodeWithLibdeflate() {
  static libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  size_t actual = 0;
  if (libdeflate_deflate_decompress(d, gStream.data(), gStream.size(), gOutput.data(),
                                    gOutput.size(), &actual) != LIBDEFLATE_SUCCESS) {
    std::abort();
  }
}

template <void (*decode)()>
void Decode(benchmark::State& state) {
  for (auto _ : state) {
    decode();
    benchmark::DoNotOptimize(gOutput.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gOriginal.size()));
}

BENCHMARK(Decode<DecodeWithThisDecoder>)->Name("inflate/this_decoder")->MinTime(2.0);
BENCHMARK(Decode<DecodeWithZlib>)->Name("inflate/zlib")->MinTime(2.0);
BENCHMARK(Decode<DecodeWithLibdeflate>)->Name("inflate/libdeflate")->MinTime(2.0);

// Keeps the throughput of every run for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  SummaryReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      auto found = run.counters.find("bytes_per_second");
      if (found != run.counters.end()) {
        megabytesPerSecond[run.run_name.function_name] = found->second / 1e6;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> megabytesPerSecond;
};

}  // namespace

int main(int argc, char** argv) {
  Gather("/usr/bin", false, kPayloadSize / 2, &gOriginal);
  Gather("/usr/share/doc", true, kPayloadSize, &gOriginal);
  Gather("/usr/share", true, kPayloadSize, &gOriginal);  // in case doc is thin
  gStream = RawDeflate(gOriginal);
  gOutput.resize(gOriginal.size());
  gWindow = static_cast<uint8_t*>(std::malloc(kWindowSize));
  std::printf("payload: %zu bytes of files from /usr/bin and /usr/share/doc, %zu bytes as "
              "raw Deflate (zlib level 9)\n",
              gOriginal.size(), gStream.size());

  // Every decoder must get it right before it is timed.
  DecodeWithThisDecoder();
  CheckOutput("this decoder");
  std::fill(gOutput.begin(), gOutput.end(), 0);
  DecodeWithZlib();
  CheckOutput("zlib");
  std::fill(gOutput.begin(), gOutput.end(), 0);
  DecodeWithLibdeflate();
  CheckOutput("libdeflate");

  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const double ours = reporter.megabytesPerSecond["inflate/this_decoder"];
  const double zlib = reporter.megabytesPerSecond["inflate/zlib"];
  const double libdeflate = reporter.megabytesPerSecond["inflate/libdeflate"];
  std::printf("\nthis decoder  %8.1f MB/s\nzlib          %8.1f MB/s\nlibdeflate    %8.1f MB/s\n",
              ours, zlib, libdeflate);
  if (zlib > 0) std::printf("ratio this decoder / zlib: %.2f (goal >= 1.00)\n", ours / zlib);
  return 0;
}
