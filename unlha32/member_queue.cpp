#include "unlha32/member_queue.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "unlha32/lzh/crc16.h"
#include "unlha32/lzh/lh5_format.h"

namespace mv::lzh {
namespace {

constexpr uint64_t kMaxMemberSize = 0xFFFFFFFFull;

// One new member while its chunks are under way.
struct Member {
  const NewSource* source = nullptr;
  std::unique_ptr<InputFile> file;  // kept open for a raw copy if coding does not pay
  uint64_t size = 0;                // bytes read
  uint16_t crc = 0;
  // Set when the first chunk is written out.
  uint64_t headerAt = 0, dataAt = 0;
};

struct Job {
  std::shared_ptr<Member> member;
  std::vector<uint8_t> input;  // history, then the chunk
  size_t history = 0;
  bool first = false, last = false;
  BitString output;
  bool done = false;
};

// Gathers appends in memory and hands them on in large writes: thousands of small members
// would otherwise cost several system calls each. Headers are patched and stored members cut
// back mostly inside what is still held here.
class BufferedOutput : public OutputFile {
 public:
  explicit BufferedOutput(OutputFile& out) : out_(out), base_(out.Size()) {}
  int Append(const void* data, size_t size) override {
    if (error_ != 0) return error_;
    const auto* p = static_cast<const uint8_t*>(data);
    buf_.insert(buf_.end(), p, p + size);
    return buf_.size() >= kFlushAt ? Flush() : 0;
  }
  int WriteAt(uint64_t offset, const void* data, size_t size) override {
    if (error_ != 0) return error_;
    if (offset + size > Size()) {  // not only bytes appended before: straight to the file
      if (int e = Flush(); e != 0) return e;
      if (int e = out_.WriteAt(offset, data, size); e != 0) return error_ = e;
      base_ = out_.Size();
      return 0;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    if (offset < base_) {  // the part already handed on
      const size_t n = static_cast<size_t>(std::min<uint64_t>(size, base_ - offset));
      if (int e = out_.WriteAt(offset, p, n); e != 0) return error_ = e;
      offset += n, p += n, size -= n;
    }
    if (size > 0) std::memcpy(buf_.data() + (offset - base_), p, size);
    return 0;
  }
  int Truncate(uint64_t size) override {
    if (error_ != 0) return error_;
    if (size >= base_) {
      if (size < Size()) buf_.resize(static_cast<size_t>(size - base_));
      return 0;
    }
    buf_.clear();
    if (int e = out_.Truncate(size); e != 0) return error_ = e;
    base_ = size;
    return 0;
  }
  uint64_t Size() const override { return base_ + buf_.size(); }
  int Flush() {
    if (error_ != 0 || buf_.empty()) return error_;
    if (int e = out_.Append(buf_.data(), buf_.size()); e != 0) return error_ = e;
    base_ += buf_.size();
    buf_.clear();
    return 0;
  }

 private:
  static constexpr size_t kFlushAt = size_t{1} << 20;
  OutputFile& out_;
  uint64_t base_;  // bytes handed on
  std::vector<uint8_t> buf_;
  int error_ = 0;
};

class AppendSink : public ByteSink {
 public:
  explicit AppendSink(OutputFile& out) : out_(out) {}
  bool Put(const uint8_t* data, size_t size) override {
    error_ = out_.Append(data, size);
    return error_ == 0;
  }
  int Error() const { return error_; }

 private:
  OutputFile& out_;
  int error_ = 0;
};

class Writer {
 public:
  Writer(Store& store, OutputFile& out, const RunOptions& options, QueueFailure* failure)
      : store_(store),
        out_(out),
        options_(options),
        failure_(failure),
        sink_(out),
        joiner_(sink_),
        mainEncoder_(options.coding) {
    const int workers = options.threads > 1 ? options.threads : 0;
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }

  ~Writer() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      stop_ = true;
    }
    work_.notify_all();
    for (auto& t : threads_) t.join();
  }

  bool Copy(InputFile& archive, const MemberEntry& member) {
    if (!DrainAll()) return false;
    WriteFailure wf;
    if (CopyMember(out_, archive, member, &wf)) return true;
    return Fail(wf.kind == WriteFailure::kRead ? QueueFailure::kOldArchive : QueueFailure::kWrite,
                wf.error, {});
  }

  bool Add(const NewSource& source) {
    auto member = std::make_shared<Member>();
    member->source = &source;
    if (int e = store_.OpenRead(source.path, &member->file); e != 0)
      return Fail(QueueFailure::kOpen, e, source.path);
    size_t size = 0, nextSize = 0;
    if (!ReadChunk(*member, chunk_.get(), &size)) return false;
    if (size == 0) {
      // Nothing to code: a stored member without data.
      if (!DrainAll()) return false;
      member->headerAt = out_.Size();
      return FinishMember(*member, false);
    }
    size_t history = 0;
    for (bool first = true; size > 0; first = false) {
      if (!ReadChunk(*member, next_.get(), &nextSize)) return false;
      auto job = std::make_unique<Job>();
      job->member = member;
      job->history = history;
      job->input.reserve(history + size);
      job->input.insert(job->input.end(), history_.get(), history_.get() + history);
      job->input.insert(job->input.end(), chunk_.get(), chunk_.get() + size);
      job->first = first;
      job->last = nextSize == 0;
      history = std::min<size_t>(size, kLh5Window);
      std::memcpy(history_.get(), chunk_.get() + size - history, history);
      if (!Submit(std::move(job))) return false;
      chunk_.swap(next_);
      size = nextSize;
    }
    return true;
  }

  bool DrainAll() {
    while (!inflight_.empty())
      if (!DrainOne()) return false;
    return true;
  }

 private:
  bool Fail(QueueFailure::Kind kind, int error, const std::string& path) {
    failure_->kind = kind;
    failure_->error = error;
    failure_->path = path;
    return false;
  }

  // Reads the next chunk (size 0 at the end) into buf, which holds kChunkSize bytes, and
  // keeps the member's CRC and size.
  bool ReadChunk(Member& m, uint8_t* buf, size_t* size) {
    size_t have = 0;
    while (have < kChunkSize) {
      size_t got = 0;
      if (int e = m.file->ReadAt(m.size + have, buf + have, kChunkSize - have, &got); e != 0)
        return Fail(QueueFailure::kRead, e, m.source->path);
      if (got == 0) break;
      have += got;
    }
    *size = have;
    m.crc = Crc16(m.crc, buf, have);
    m.size += have;
    if (m.size > kMaxMemberSize) return Fail(QueueFailure::kTooLarge, 0, m.source->path);
    return true;
  }

  bool Submit(std::unique_ptr<Job> job) {
    if (threads_.empty()) {
      mainEncoder_.Encode(job->input.data() + job->history, job->history,
                          job->input.size() - job->history, &job->output);
      job->done = true;
      inflightBytes_ += job->input.size();
      inflight_.push_back(std::move(job));
      return DrainOne();
    }
    // Bounded look-ahead, so memory stays small and the workers still never wait for the
    // reading: a few chunks' worth of bytes per worker, or many small files.
    const size_t workers = threads_.size();
    while (!inflight_.empty() && (inflight_.size() >= 32 * workers ||
                                  inflightBytes_ + job->input.size() > 3 * kChunkSize * workers))
      if (!DrainOne()) return false;
    inflightBytes_ += job->input.size();
    {
      std::lock_guard<std::mutex> lock(mu_);
      queue_.push_back(job.get());
    }
    work_.notify_one();
    inflight_.push_back(std::move(job));
    return true;
  }

  void Work() {
    ChunkEncoder encoder(options_.coding);
    std::unique_lock<std::mutex> lock(mu_);
    for (;;) {
      work_.wait(lock, [&] { return stop_ || !queue_.empty(); });
      if (stop_) return;
      Job* job = queue_.front();
      queue_.pop_front();
      lock.unlock();
      encoder.Encode(job->input.data() + job->history, job->history,
                     job->input.size() - job->history, &job->output);
      lock.lock();
      job->done = true;
      done_.notify_all();
    }
  }

  // Writes out the oldest chunk once it is coded.
  bool DrainOne() {
    std::unique_ptr<Job> job = std::move(inflight_.front());
    inflight_.pop_front();
    inflightBytes_ -= job->input.size();
    {
      std::unique_lock<std::mutex> lock(mu_);
      done_.wait(lock, [&] { return job->done; });
    }
    Member& m = *job->member;
    if (job->first) {
      m.headerAt = out_.Size();
      const std::vector<uint8_t> header = Header(m, true, 0);
      if (int e = out_.Append(header.data(), header.size()); e != 0)
        return Fail(QueueFailure::kWrite, e, {});
      m.dataAt = out_.Size();
    }
    if (!joiner_.Add(job->output)) return Fail(QueueFailure::kWrite, sink_.Error(), {});
    if (!job->last) return true;
    if (!joiner_.Finish()) return Fail(QueueFailure::kWrite, sink_.Error(), {});
    return FinishMember(m, out_.Size() - m.dataAt < m.size);
  }

  std::vector<uint8_t> Header(const Member& m, bool coded, uint64_t packed) const {
    const SourceInfo& s = m.source->info;
    NewHeader h;
    std::memcpy(h.method, coded ? "-lh5-" : "-lh0-", 5);
    h.packedSize = static_cast<uint32_t>(packed);
    h.originalSize = static_cast<uint32_t>(m.size);
    h.dataCrc = m.crc;
    h.dir = s.dir;
    h.name = s.name;
    h.wideDir = s.wideDir;
    h.wideName = s.wideName;
    h.attributes = s.attributes;
    h.creation = s.creation;
    h.lastWrite = s.lastWrite;
    h.lastAccess = s.lastAccess;
    return BuildLevel2Header(h);
  }

  // Completes the header; a member that coding did not make smaller is stored raw instead.
  bool FinishMember(Member& m, bool coded) {
    if (!coded) {
      if (int e = out_.Truncate(m.headerAt); e != 0) return Fail(QueueFailure::kWrite, e, {});
      std::vector<uint8_t> header = Header(m, false, 0);
      if (int e = out_.Append(header.data(), header.size()); e != 0)
        return Fail(QueueFailure::kWrite, e, {});
      m.dataAt = out_.Size();
      // The second reading decides size and CRC, in case the file changed meanwhile.
      m.size = 0;
      m.crc = 0;
      for (size_t size = 1; size > 0;) {
        if (!ReadChunk(m, raw_.get(), &size)) return false;
        if (int e = out_.Append(raw_.get(), size); e != 0) return Fail(QueueFailure::kWrite, e, {});
      }
    }
    const std::vector<uint8_t> header = Header(m, coded, out_.Size() - m.dataAt);
    if (int e = out_.WriteAt(m.headerAt, header.data(), header.size()); e != 0)
      return Fail(QueueFailure::kWrite, e, {});
    m.file.reset();
    return true;
  }

  Store& store_;
  OutputFile& out_;
  const RunOptions& options_;
  QueueFailure* failure_;
  AppendSink sink_;
  BitJoiner joiner_;
  ChunkEncoder mainEncoder_;  // used when there are no workers
  // Reading buffers of kChunkSize bytes (history_: one window), reused for every file.
  std::unique_ptr<uint8_t[]> chunk_{new uint8_t[kChunkSize]}, next_{new uint8_t[kChunkSize]},
      raw_{new uint8_t[kChunkSize]}, history_{new uint8_t[kLh5Window]};

  std::vector<std::thread> threads_;
  std::mutex mu_;
  std::condition_variable work_, done_;
  std::deque<Job*> queue_;  // waiting for a worker
  bool stop_ = false;
  std::deque<std::unique_ptr<Job>> inflight_;  // submitted and not yet written, in order
  size_t inflightBytes_ = 0;                   // their input
};

}  // namespace

bool WritePlan(Store& store, const std::vector<MemberPlan>& plan,
               const std::vector<NewSource>& sources, const std::vector<MemberEntry>& members,
               InputFile* oldArchive, OutputFile& out, const RunOptions& options,
               QueueFailure* failure) {
  *failure = {};
  BufferedOutput buffered(out);
  {
    Writer writer(store, buffered, options, failure);
    for (size_t i = 0; i < plan.size(); ++i) {
      const MemberPlan& item = plan[i];
      if (options.progress) {
        const std::string name =
            item.kind == MemberPlan::kCopy ? members[item.index].path
            : sources[item.index].info.dir.empty()
                ? sources[item.index].info.name
                : sources[item.index].info.dir + "\\" + sources[item.index].info.name;
        if (!options.progress(name, i, plan.size())) {
          failure->kind = QueueFailure::kCancelled;
          return false;
        }
      }
      const bool ok = item.kind == MemberPlan::kCopy ? writer.Copy(*oldArchive, members[item.index])
                                                     : writer.Add(sources[item.index]);
      if (!ok) return false;
    }
    if (!writer.DrainAll()) return false;
  }
  if (int e = buffered.Flush(); e != 0) {
    failure->kind = QueueFailure::kWrite;
    failure->error = e;
    return false;
  }
  return true;
}

}  // namespace mv::lzh
