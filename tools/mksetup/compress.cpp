#include "tools/mksetup/compress.h"

#include <malloc.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "text/resource_text.h"
#include "tools/mksetup/decode.h"
#include "tools/mksetup/deflate_block.h"
#include "tools/mksetup/payload_stream.h"
#include "tools/mksetup/segment_parse.h"
#include "tools/mksetup/staged_files.h"

namespace {

constexpr size_t kHistory = 32768;
// Segments are parsed independently of each other (each sees the 32 KB before it), so
// they can be parsed at once, and a segment whose encoding would hold the marker is
// written again on its own.
constexpr size_t kSegment = 256 * 1024;
constexpr int kAttempts = 8;

void DrawProgress(uint64_t done, uint64_t total) {
  const int width = 40;
  int filled = total == 0 ? width : int(double(done) / double(total) * width);
  std::fprintf(stderr, "\rcompressing [%-*s] %3d%%", width, std::string(size_t(filled), '#').c_str(),
               total == 0 ? 100 : int(double(done) * 100 / double(total)));
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

struct Segment {
  std::vector<uint8_t> data;  // the history, then the segment's own bytes
  size_t start = 0;           // where the segment's own bytes begin
  bool last = false;
  SegmentParse parse;
  std::exception_ptr error;
  bool taken = false, done = false;
};

// Parses segments on worker threads and hands them back in the order they came, so the
// stream is the same whatever the number of threads.
class ParallelParser {
 public:
  ParallelParser(const CompressOptions& options, int threads) {
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this, options] { Work(options); });
  }
  ~ParallelParser() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_) t.join();
  }
  ParallelParser(const ParallelParser&) = delete;
  ParallelParser& operator=(const ParallelParser&) = delete;

  void Submit(std::unique_ptr<Segment> segment) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(std::move(segment));
    }
    changed_.notify_all();
  }

  // The oldest segment, once parsed; rethrows what its parse threw.
  std::unique_ptr<Segment> Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.front()->done; });
    std::unique_ptr<Segment> segment = std::move(queue_.front());
    queue_.pop_front();
    if (segment->error) std::rethrow_exception(segment->error);
    return segment;
  }

 private:
  void Work(const CompressOptions& options) {
    std::unique_ptr<SegmentParser> parser;
    for (;;) {
      Segment* segment = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || (segment = Untaken()) != nullptr; });
        if (stop_) return;
        segment->taken = true;
      }
      try {
        if (!parser) parser = std::make_unique<SegmentParser>(options.best ? Encoder::best : Encoder::fast,
                                                              options.iterations);
        segment->parse = parser->Parse(segment->data.data(), segment->start, segment->data.size());
      } catch (...) {
        segment->error = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        segment->done = true;
      }
      changed_.notify_all();
    }
  }

  Segment* Untaken() {
    for (std::unique_ptr<Segment>& s : queue_) {
      if (!s->taken) return s.get();
    }
    return nullptr;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Segment>> queue_;
  std::vector<std::thread> workers_;
  bool stop_ = false;
};

// Writes the segment's blocks. Attempts after the first split every block once more at
// a point that moves with each attempt, which changes every bit of the segment.
void WriteSegment(const SegmentParse& parse, int attempt, bool last, BitWriter& out) {
  size_t from = 0;
  for (size_t end : parse.blockEnds) {
    if (attempt > 0 && end - from >= 2) {
      size_t split = from + (end - from) * size_t(attempt) / (kAttempts + 1);
      if (split > from) {
        WriteDynamicBlock(&parse.tokens[from], split - from, false, out);
        from = split;
      }
    }
    WriteDynamicBlock(parse.tokens.data() + from, end - from, last && end == parse.tokens.size(), out);
    from = end;
  }
}

// Writes the segment so that the stream does not hold the marker.
void WriteWithoutMarker(const Segment& segment, BitWriter& out) {
  const uint64_t saved = out.BitSize();
  // Bytes before the last, partly filled one were checked with the segment before.
  const size_t checkFrom = size_t(saved / 8 - out.Flushed());
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    out.Truncate(saved);
    WriteSegment(segment.parse, attempt, segment.last, out);
    // The last byte may still change unless the stream ends here.
    const std::vector<uint8_t>& bytes = out.Bytes();
    size_t complete = segment.last || out.BitSize() % 8 == 0 ? bytes.size() : bytes.size() - 1;
    if (!HoldsMarker(bytes.data(), checkFrom, complete)) return;
  }
  throw PayloadError("could not encode the payload without the bytes F8 F5 23 7C");
}

// Each thread holds some 9 MB of encoder state: a machine with many processors is not
// given them all unasked.
constexpr int kMostDefaultThreads = 16;

int ThreadCount(const CompressOptions& options) {
  if (options.threads > 0) return options.threads;
  return std::clamp(int(std::thread::hardware_concurrency()), 1, kMostDefaultThreads);
}

}  // namespace

bool HoldsMarker(const uint8_t* data, size_t from, size_t to) {
  from = from >= 3 ? from - 3 : 0;
  for (size_t i = from; i + 4 <= to; ++i) {
    if (std::memcmp(&data[i], kInputMarker, 4) == 0) return true;
  }
  return false;
}

std::vector<uint8_t> DeflateOnce(const uint8_t* data, size_t size, const CompressOptions& options) {
  SegmentParser parser(options.best ? Encoder::best : Encoder::fast, options.iterations);
  BitWriter out;
  WriteSegment(parser.Parse(data, 0, size), 0, true, out);
  return out.Take();
}

Payload CompressPayload(const std::vector<PayloadFile>& files, const CompressOptions& options,
                        const std::string& streamPath) {
  // One heap for all threads: a thread's own heap keeps what its encoder freed, and
  // only the shared one can be trimmed.
  ::mallopt(M_ARENA_MAX, 1);
  PayloadStream source(files);
  const uint64_t total = source.Total();
  const int threads = ThreadCount(options);
  // Enough segments ahead to keep every thread busy, few enough to bound the memory.
  const size_t ahead = 2 * size_t(threads);
  uint32_t crc = uint32_t(crc32(0, nullptr, 0));
  uint64_t read = 0, written = 0;
  std::vector<uint8_t> history;
  FileWriter file(streamPath);
  auto append = [&file](const uint8_t* data, size_t n) { file.Append(data, n); };
  BitWriter out;
  {
    ParallelParser parser(options, threads);
    bool readAll = false;
    for (size_t inFlight = 0;;) {
      for (; !readAll && inFlight < ahead; ++inFlight) {
        auto segment = std::make_unique<Segment>();
        segment->start = history.size();
        segment->data = history;
        segment->data.resize(history.size() + kSegment);
        size_t got = source.Read(&segment->data[segment->start], kSegment);
        segment->data.resize(segment->start + got);
        crc = uint32_t(crc32(crc, &segment->data[segment->start], uInt(got)));
        read += got;
        readAll = segment->last = read == total;
        size_t keep = std::min(kHistory, segment->data.size());
        history.assign(segment->data.end() - std::ptrdiff_t(keep), segment->data.end());
        parser.Submit(std::move(segment));
      }
      if (inFlight == 0) break;
      std::unique_ptr<Segment> segment = parser.Next();
      --inFlight;
      WriteWithoutMarker(*segment, out);
      // The next segment looks for the marker from 3 bytes back, and the last byte
      // may not be complete yet.
      out.Flush(4, append);
      written += segment->data.size() - segment->start;
      if (options.progress) DrawProgress(written, total);
    }
  }
  out.Flush(0, append);
  file.Finish();
  // The check below maps the whole stream: what the encoders used goes back first.
  ::malloc_trim(0);
  const Payload payload{crc, total, out.Flushed()};
  MappedFile stream(streamPath);
  if (stream.Size() != payload.streamSize) throw std::runtime_error(streamPath + " changed while it was written");
  VerifyPayload(stream.Data(), stream.Size(), files, payload.crc, &stream);
  return payload;
}

void VerifyPayload(const uint8_t* stream, size_t size, const std::vector<PayloadFile>& files,
                   uint32_t crc, MappedFile* mapped) {
  for (size_t from = 0; from < size; from += kSegment) {
    if (mapped != nullptr) mapped->Release(stream + from);
    if (HoldsMarker(stream, from, std::min(size, from + kSegment)))
      throw PayloadError("the stream holds the bytes F8 F5 23 7C");
  }
  PayloadStream source(files);
  std::vector<uint8_t> expected(32768);
  uint64_t offset = 0;
  uint32_t decodedCrc = uint32_t(crc32(0, nullptr, 0));
  std::string difference;
  int status = DecodeStream(stream, size, [&](const uint8_t* data, size_t n) {
    if (mapped != nullptr) mapped->Release(DecoderInput());
    size_t got = source.Read(expected.data(), n);
    if (got != n || std::memcmp(expected.data(), data, n) != 0) {
      difference = "the decoded stream differs from the files near byte " + std::to_string(offset);
      return false;
    }
    decodedCrc = uint32_t(crc32(decodedCrc, data, uInt(n)));
    offset += n;
    return true;
  });
  if (!difference.empty()) throw PayloadError(difference);
  if (status != 0) {
    char* message = LoadResourceText(status + 1);
    std::string text = message != nullptr ? message : "";
    std::free(message);
    throw PayloadError("the setup's decoder rejects the stream: status " + std::to_string(status) +
                       " (" + text + ")");
  }
  if (offset != source.Total())
    throw PayloadError("the stream decodes to " + std::to_string(offset) + " bytes instead of " +
                       std::to_string(source.Total()));
  if (decodedCrc != crc) throw PayloadError("the CRC-32 of the decoded stream does not match");
}
