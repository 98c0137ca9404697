#include "unlha32/lzh/lh5_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "unlha32/lzh/bit_writer.h"
#include "unlha32/lzh/huffman.h"
#include "unlha32/lzh/lh5_format.h"

namespace mv::lzh {
namespace {

constexpr uint32_t kWindow = kLh5Window;
constexpr int kNumP = NumP(kLh5WindowBits);  // 14 distance slots
constexpr int kPBits = PBits(kLh5WindowBits);
// The parse works on segments of this many bytes; their codes go out as blocks of at most
// 65535 codes each.
constexpr uint32_t kSegment = 131072;
constexpr size_t kMaxBlockCodes = 65535;
// A segment's codes are cut into up to kLeaves runs of at least kMinLeafCodes codes, and
// consecutive runs go out as one block where that comes out smaller.
constexpr size_t kLeaves = 8;
constexpr size_t kMinLeafCodes = 1024;
// Segments of this many bytes or more are first probed for repeats (see ProbeCoverage).
constexpr uint32_t kProbeMin = 4096;
constexpr int kProbeHashBits = 12;
constexpr int kNearHashBits = 15;
constexpr int kTreeHashBits = 16;
constexpr uint32_t kTreeMask = 2 * kWindow - 1;  // tree slots for two windows of positions
// Bytes after the data, so the match compare can read whole words.
constexpr uint32_t kSlack = 8;
// Each chunk's positions start this far past the last one used, so table entries left from
// earlier chunks are always out of reach and the tables need no clearing.
constexpr uint32_t kGap = 2 * kWindow;
constexpr uint32_t kRestartAt = 0xF0000000u;
// Prices are in sixteenths of a bit.
constexpr int kPriceShift = 4;

struct Match {
  uint16_t length;
  uint16_t distance;  // 1..8192
};

// A parsed code: a literal (length 0) or a match.
struct Code {
  uint16_t length;  // 0 for a literal
  uint16_t value;   // the literal byte, or the distance
};

inline int DistanceSlot(uint32_t distance) {  // bit length of distance - 1
  const uint32_t p = distance - 1;
  return p == 0 ? 0 : 32 - __builtin_clz(p);
}

// Hashes read little-endian words; the targets are x86, so output is the same on each build.
inline uint32_t Hash3(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);  // the fourth byte is always readable (kSlack)
  return ((v & 0xFFFFFF) * 2654435761u) >> (32 - kNearHashBits);
}

inline uint32_t Hash4(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return (v * 2654435761u) >> (32 - kTreeHashBits);
}

// Length of the common prefix of a and b, at most limit (both readable for limit + 8 bytes).
inline uint32_t MatchLength(const uint8_t* a, const uint8_t* b, uint32_t limit) {
  uint32_t n = 0;
  while (n < limit) {
    uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (const uint64_t diff = x ^ y; diff != 0) {  // lowest differing byte
      n += static_cast<uint32_t>(__builtin_ctzll(diff)) >> 3;
      return std::min(n, limit);
    }
    n += 8;
  }
  return limit;
}

// Zero runs of the C lengths, as T symbols 0 (one zero), 1 (3..18 zeros, 4 more bits) and
// 2 (20 or more, 9 more bits); a length k is the T symbol k + 2.
template <typename Emit>
void WalkCLengths(const uint8_t* cLen, int n, Emit emit) {
  int i = 0;
  while (i < n) {
    const int k = cLen[i++];
    if (k != 0) {
      emit(k + 2, 0, 0);
      continue;
    }
    int run = 1;
    while (i < n && cLen[i] == 0) ++i, ++run;
    if (run <= 2) {
      for (int r = 0; r < run; ++r) emit(0, 0, 0);
    } else if (run <= 18) {
      emit(1, run - 3, 4);
    } else if (run == 19) {
      emit(0, 0, 0);
      emit(1, 15, 4);
    } else {
      emit(2, run - 20, kCBits);
    }
  }
}

// Counts bits instead of writing them.
struct BitCounter {
  static constexpr bool kCounting = true;
  uint64_t count = 0;
  void Put(uint32_t, int n) { count += n; }
  void Add(uint64_t n) { count += n; }
};

}  // namespace

struct ChunkEncoder::State {
  Lh5Options options;

  // The chunk with its history: buf[0] is the byte at position `start`, and the bytes to code
  // are those of [dataStart, dataEnd). Positions only grow from chunk to chunk (see kGap).
  std::vector<uint8_t> buf;
  uint32_t cursor = 0;  // first position not used by any chunk yet
  uint32_t start = 0, dataStart = 0, dataEnd = 0;
  uint32_t pos = 0;  // first position not yet parsed

  // Match finder. near[h] is the latest position whose first three bytes hash to h. root[h] is
  // the root of a binary tree of the positions whose first four bytes hash to h, ordered by
  // the bytes that follow them; son[2 * (p & kTreeMask)] and the entry after it are the roots
  // of p's smaller and greater subtrees. 0 is an empty link (always out of reach).
  std::vector<uint32_t> near;
  std::vector<uint32_t> root;
  std::vector<uint32_t> son;

  // Matches of the current segment: those at segment offset i are
  // matches[matchStart[i] .. matchStart[i + 1]), by increasing length.
  std::vector<Match> matches;
  std::vector<uint32_t> matchStart;

  // The parse: cost of reaching each segment offset, the code that reaches it best, and the
  // chosen codes in order.
  struct Node {
    uint32_t cost;
    Code step;
  };
  std::vector<Node> node;
  std::vector<Code> codes;

  // Symbol counts of the runs WriteBlocks cuts the codes into.
  struct Freq {
    uint32_t c[kNumC];
    uint32_t p[kNumP];
  };
  Freq leaf[kLeaves];
  std::vector<uint32_t> probe;  // ProbeCoverage's table: latest position of each hash

  // Prices of the C symbols and of the distance slots (the slot's code and its extra bits).
  uint32_t cPrice[kNumC];
  uint32_t pPrice[kNumP];

  BitWriter bits;

  explicit State(const Lh5Options& o)
      : options(o),
        near(1u << kNearHashBits, 0),
        root(1u << kTreeHashBits, 0),
        son(4 * kWindow, 0),
        probe(1u << kProbeHashBits, 0) {
    options.searchDepth = std::max(1, options.searchDepth);
    options.niceLength = std::clamp(options.niceLength, kMinMatch, kMaxMatch);
    options.passes = std::clamp(options.passes, 1, 4);
  }

  const uint8_t* At(uint32_t p) const { return buf.data() + (p - start); }

  void Encode(const uint8_t* data, size_t history, size_t size, BitString* out) {
    history = std::min<size_t>(history, kWindow);
    if (cursor >= kRestartAt) {
      std::fill(near.begin(), near.end(), 0u);
      std::fill(root.begin(), root.end(), 0u);
      std::fill(son.begin(), son.end(), 0u);
      std::fill(probe.begin(), probe.end(), 0u);
      cursor = 0;
    }
    buf.assign(data - history, data + size);
    buf.resize(buf.size() + kSlack, 0);
    start = cursor + kGap;
    dataStart = start + static_cast<uint32_t>(history);
    dataEnd = dataStart + static_cast<uint32_t>(size);
    for (uint32_t p = start; p < dataStart && p + kMinMatch <= dataEnd; ++p) Insert(p);
    for (pos = dataStart; pos < dataEnd;) CodeSegment(std::min(dataEnd, pos + kSegment));
    cursor = dataEnd;
    out->bitCount = bits.Take(&out->bytes);
  }

  // Enters p into the match finder. When `record`, adds p's matches to `matches`, each longer
  // than the one before, their lengths capped at `cap`. Returns the longest length found.
  template <bool record>
  [[gnu::always_inline]] inline uint32_t Search(uint32_t p, uint32_t cap) {
    const uint32_t limit = std::min<uint32_t>(kMaxMatch, dataEnd - p);
    const uint8_t* cur = At(p);
    uint32_t best = 0, recorded = kMinMatch - 1;
    auto note = [&](uint32_t len, uint32_t distance) {
      best = std::max(best, len);
      if constexpr (record) {
        if (std::min(len, cap) <= recorded) return;
        recorded = std::min(len, cap);
        matches.push_back({static_cast<uint16_t>(recorded), static_cast<uint16_t>(distance)});
      }
    };

    // The nearest three-byte match, which the four-byte trees may not hold.
    const uint32_t h3 = Hash3(cur);
    const uint32_t nearest = near[h3];
    near[h3] = p;
    if (p - nearest <= kWindow) {
      uint32_t x, y;
      std::memcpy(&x, At(nearest), 4);
      std::memcpy(&y, cur, 4);
      // Four bytes or more: the tree of the four-byte hash finds that match.
      if (((x ^ y) & 0xFFFFFF) == 0 && (limit < 4 || x != y)) note(3, p - nearest);
    }
    if (limit < 4) return best;

    // Walk down the tree, re-linking it so p becomes its root. lenLess and lenGreater are how
    // many bytes p shares with the nearest smaller and greater strings met so far; every
    // string below them shares at least the lesser of the two.
    const uint32_t h = Hash4(cur);
    uint32_t cand = root[h];
    root[h] = p;
    uint32_t* less = &son[2 * (p & kTreeMask)];
    uint32_t* greater = less + 1;
    uint32_t lenLess = 0, lenGreater = 0;
    // A position entered without a search (history, the end of a literal segment, the inside
    // of a long match) walks half as deep.
    for (int steps = record ? options.searchDepth : std::max(1, options.searchDepth / 2);;
         --steps) {
      const uint32_t distance = p - cand;
      if (distance > kWindow || steps == 0) {
        *less = *greater = 0;
        return best;
      }
      uint32_t* pair = &son[2 * (cand & kTreeMask)];
      const uint8_t* c = At(cand);
      uint32_t len = std::min(lenLess, lenGreater);
      if (c[len] == cur[len]) {
        len += 1 + MatchLength(c + len + 1, cur + len + 1, limit - len - 1);
        note(len, distance);
        if (len >= limit) {  // as good as equal: p takes cand's place in the tree
          *less = pair[0];
          *greater = pair[1];
          return best;
        }
      }
      if (c[len] < cur[len]) {
        *less = cand;
        less = pair + 1;
        cand = *less;
        lenLess = len;
      } else {
        *greater = cand;
        greater = pair;
        cand = *greater;
        lenGreater = len;
      }
    }
  }

  // Enters p into the match finder only.
  [[gnu::noinline]] void Insert(uint32_t p) { Search<false>(p, 0); }

  // The matches at every offset of [pos, end); none reaches past end. Positions inside a
  // match of niceLength or more are entered but not searched: the parse takes such a match.
  void FindMatches(uint32_t end) {
    const uint32_t n = end - pos;
    matches.clear();
    matchStart.assign(n + 1, 0);
    uint32_t skipUntil = pos;
    for (uint32_t p = pos; p < end; ++p) {
      matchStart[p - pos] = static_cast<uint32_t>(matches.size());
      if (p + kMinMatch > dataEnd) continue;  // too close to the end to hash
      if (p < skipUntil) {
        Insert(p);
        continue;
      }
      const uint32_t best = Search<true>(p, end - p);
      if (best >= static_cast<uint32_t>(options.niceLength)) skipUntil = p + best;
    }
    matchStart[n] = static_cast<uint32_t>(matches.size());
  }

  // Prices from symbol counts: the ideal code length, with unused symbols dear but finite.
  static void PricesFrom(const uint32_t* freq, int n, uint32_t* price) {
    uint64_t total = 0;
    for (int i = 0; i < n; ++i) total += freq[i];
    const double t = static_cast<double>(total) + 1;
    for (int i = 0; i < n; ++i) {
      const double f = freq[i] ? freq[i] : 0.25;
      const double bits = std::min(std::log2(t / f), 18.0);
      price[i] = static_cast<uint32_t>(std::lround(bits * (1 << kPriceShift)));
    }
  }

  void SetPrices(const uint32_t* cFreq, const uint32_t* pFreq) {
    PricesFrom(cFreq, kNumC, cPrice);
    PricesFrom(pFreq, kNumP, pPrice);
    for (int slot = 2; slot < kNumP; ++slot) pPrice[slot] += (slot - 1) << kPriceShift;
  }

  // The cheapest parse of [pos, end) under the current prices, into `codes`: a shortest path
  // over the offsets, each match usable with any length from 3 up to its own.
  void Parse(uint32_t end) {
    const uint32_t n = end - pos;
    node.assign(n + 1, Node{UINT32_MAX, {0, 0}});
    node[0].cost = 0;
    const uint8_t* data = At(pos);
    const uint32_t* lenPrice = cPrice + 256 - kMinMatch;
    for (uint32_t i = 0; i < n; ++i) {
      const uint32_t c = node[i].cost;
      const uint32_t lit = c + cPrice[data[i]];
      if (lit < node[i + 1].cost) node[i + 1] = {lit, {0, data[i]}};
      // The matches come by increasing length, each at the nearest distance for its length.
      uint32_t len = kMinMatch;
      Node* to = &node[i];
      for (uint32_t m = matchStart[i]; m < matchStart[i + 1]; ++m) {
        const Match mt = matches[m];
        const uint32_t base = c + pPrice[DistanceSlot(mt.distance)];
        for (; len <= mt.length; ++len) {
          const uint32_t v = base + lenPrice[len];
          if (v < to[len].cost) to[len] = {v, {static_cast<uint16_t>(len), mt.distance}};
        }
      }
    }
    codes.clear();
    for (uint32_t i = n; i > 0;) {
      const Code s = node[i].step;
      codes.push_back(s);
      i -= s.length ? s.length : 1;
    }
    std::reverse(codes.begin(), codes.end());
  }

  void CountRange(size_t from, size_t to, uint32_t* cFreq, uint32_t* pFreq) const {
    for (size_t k = from; k < to; ++k) {
      const Code& c = codes[k];
      if (c.length == 0) {
        ++cFreq[c.value];
      } else {
        ++cFreq[256 + c.length - kMinMatch];
        ++pFreq[DistanceSlot(c.value)];
      }
    }
  }

  // Prices from the statistics of the greedy parse (the longest match wherever there is one)
  // of this segment: a cheap first estimate for the cost-based parse, and a better one than the
  // final statistics of the segment before, which often differ in kind.
  void GreedyPrices(uint32_t end) {
    uint32_t cFreq[kNumC] = {}, pFreq[kNumP] = {};
    const uint8_t* data = At(pos);
    for (uint32_t i = 0; i < end - pos;) {
      if (matchStart[i + 1] > matchStart[i]) {
        const Match m = matches[matchStart[i + 1] - 1];
        ++cFreq[256 + m.length - kMinMatch];
        ++pFreq[DistanceSlot(m.distance)];
        i += m.length;
      } else {
        ++cFreq[data[i++]];
      }
    }
    SetPrices(cFreq, pFreq);
  }

  // How many bytes of [pos, end) a quick greedy pass covers with four-byte repeats of the
  // window. Few of them means coding the segment as literals loses next to nothing, and the
  // search is skipped: compressed files cost hardly more than a copy.
  uint32_t ProbeCoverage(uint32_t end) {
    uint32_t covered = 0;
    for (uint32_t p = pos; p + 4 <= end;) {
      const uint8_t* cur = At(p);
      uint32_t v;
      std::memcpy(&v, cur, 4);
      const uint32_t h = (v * 2654435761u) >> (32 - kProbeHashBits);
      const uint32_t cand = probe[h];
      probe[h] = p;
      if (cand >= start && cand < p && p - cand <= kWindow && std::memcmp(At(cand), cur, 4) == 0) {
        const uint32_t len =
            4 + MatchLength(At(cand) + 4, cur + 4, std::min<uint32_t>(kMaxMatch, end - p) - 4);
        covered += len;
        p += len;
      } else {
        ++p;
      }
    }
    return covered;
  }

  void CodeSegment(uint32_t end) {
    const uint32_t n = end - pos;
    if (n >= kProbeMin && ProbeCoverage(end) < n / 64) {
      // Literals only. The window's last positions still go into the match finder, for the
      // segments after this one.
      for (uint32_t p = std::max(pos, end - std::min(end - pos, kWindow));
           p < end && p + kMinMatch <= dataEnd; ++p)
        Insert(p);
      const uint8_t* data = At(pos);
      codes.resize(n);
      for (uint32_t i = 0; i < n; ++i) codes[i] = {0, data[i]};
      WriteBlocks(1);  // noise has no statistics worth following
      pos = end;
      return;
    }
    uint32_t cFreq[kNumC] = {}, pFreq[kNumP] = {};
    FindMatches(end);
    GreedyPrices(end);
    for (int pass = 0; pass < options.passes; ++pass) {
      if (pass > 0) SetPrices(cFreq, pFreq);
      Parse(end);
      std::fill(cFreq, cFreq + kNumC, 0u);
      std::fill(pFreq, pFreq + kNumP, 0u);
      CountRange(0, codes.size(), cFreq, pFreq);
    }
    WriteBlocks();
    pos = end;
  }

  // Bits of one block with these statistics.
  uint64_t BlockBits(const Freq& f) {
    BitCounter counter;
    WriteBlock(counter, 0, 0, f.c, f.p);
    return counter.count;
  }

  // Writes `codes` as blocks. They are cut into up to maxLeaves equal runs (more where a block
  // would exceed kMaxBlockCodes codes); each block is a run of consecutive ones, and the cuts
  // are those that give the fewest bits.
  void WriteBlocks(size_t maxLeaves = kLeaves) {
    const size_t n = codes.size();
    if (n == 0) return;
    const size_t leaves = std::clamp<size_t>(std::min(n / kMinLeafCodes, maxLeaves),
                                             (n + kMaxBlockCodes - 1) / kMaxBlockCodes, kLeaves);
    size_t bound[kLeaves + 1];
    for (size_t k = 0; k <= leaves; ++k) bound[k] = n * k / leaves;
    for (size_t k = 0; k < leaves; ++k) {
      leaf[k] = {};
      CountRange(bound[k], bound[k + 1], leaf[k].c, leaf[k].p);
    }
    // best[k]: fewest bits for leaves [0, k); from[k]: where its last block starts.
    uint64_t best[kLeaves + 1];
    size_t from[kLeaves + 1];
    best[0] = 0;
    for (size_t k = 1; k <= leaves; ++k) {
      best[k] = UINT64_MAX;
      Freq f = {};
      for (size_t j = k; j-- > 0;) {
        if (bound[k] - bound[j] > kMaxBlockCodes) break;
        for (int i = 0; i < kNumC; ++i) f.c[i] += leaf[j].c[i];
        for (int i = 0; i < kNumP; ++i) f.p[i] += leaf[j].p[i];
        const uint64_t bitsHere = best[j] + BlockBits(f);
        if (bitsHere < best[k]) best[k] = bitsHere, from[k] = j;
      }
    }
    size_t cut[kLeaves + 1], cuts = 0;
    for (size_t k = leaves; k > 0; k = from[k]) cut[cuts++] = k;
    for (size_t j = 0; cuts-- > 0;) {
      const size_t k = cut[cuts];
      Freq f = {};
      for (size_t m = j; m < k; ++m) {
        for (int i = 0; i < kNumC; ++i) f.c[i] += leaf[m].c[i];
        for (int i = 0; i < kNumP; ++i) f.p[i] += leaf[m].p[i];
      }
      WriteBlock(bits, bound[j], bound[k], f.c, f.p);
      j = k;
    }
  }

  // T or P lengths: 3 bits each, or for 7 and more a run of ones ended by a zero. For the T
  // table a 2-bit count of zeros follows the third length.
  template <typename Out>
  static void WriteSmallLengths(Out& bits, const uint8_t* len, int n, int countBits, int special) {
    while (n > 0 && len[n - 1] == 0) --n;
    bits.Put(n, countBits);
    int i = 0;
    while (i < n) {
      const int k = len[i++];
      if (k <= 6)
        bits.Put(k, 3);
      else
        bits.Put((1u << (k - 3)) - 2, k - 3);
      if (i == special) {
        int zeros = 0;
        while (i < std::min(n, 6) && len[i] == 0) ++i, ++zeros;
        bits.Put(zeros, 2);
      }
    }
  }

  // One block: its code count, the T, C and P tables, then the codes [from, to). With a
  // BitCounter as the output only the size is worked out.
  template <typename Out>
  void WriteBlock(Out& bits, size_t from, size_t to, const uint32_t* cFreq, const uint32_t* pFreq) {
    uint8_t cLen[kNumC], pLen[kNumP], tLen[kNumT];
    uint16_t cCode[kNumC], pCode[kNumP], tCode[kNumT];
    const int cOnly = BuildLengths(cFreq, kNumC, kMaxCodeBits, cLen);
    const int pOnly = BuildLengths(pFreq, kNumP, kMaxCodeBits, pLen);
    if constexpr (!Out::kCounting) {
      BuildCodes(cLen, kNumC, cCode);
      BuildCodes(pLen, kNumP, pCode);
    }

    bits.Put(static_cast<uint32_t>(to - from), 16);
    if (cOnly >= 0) {
      // One C symbol: single-code T and C tables, and the codes take no bits.
      bits.Put(0, kTBits);
      bits.Put(0, kTBits);
      bits.Put(0, kCBits);
      bits.Put(cOnly, kCBits);
    } else {
      int n = kNumC;
      while (n > 0 && cLen[n - 1] == 0) --n;
      uint32_t tFreq[kNumT] = {};
      WalkCLengths(cLen, n, [&](int sym, uint32_t, int) { ++tFreq[sym]; });
      const int tOnly = BuildLengths(tFreq, kNumT, kMaxCodeBits, tLen);
      if (tOnly >= 0) {
        bits.Put(0, kTBits);
        bits.Put(tOnly, kTBits);
      } else {
        WriteSmallLengths(bits, tLen, kNumT, kTBits, kTSpecial);
      }
      bits.Put(n, kCBits);
      if constexpr (Out::kCounting) {
        // The zero runs' extra bits, then the T codes.
        bits.Add(uint64_t{tFreq[1]} * 4 + uint64_t{tFreq[2]} * kCBits);
        for (int k = 0; k < kNumT; ++k) bits.Add(uint64_t{tFreq[k]} * tLen[k]);
      } else {
        BuildCodes(tLen, kNumT, tCode);
        WalkCLengths(cLen, n, [&](int sym, uint32_t extra, int extraBits) {
          bits.Put(tCode[sym], tLen[sym]);
          bits.Put(extra, extraBits);
        });
      }
    }
    if (pOnly >= 0) {
      bits.Put(0, kPBits);
      bits.Put(pOnly, kPBits);
    } else {
      WriteSmallLengths(bits, pLen, kNumP, kPBits, -1);
    }

    if constexpr (Out::kCounting) {
      for (int i = 0; i < kNumC; ++i) bits.Add(uint64_t{cFreq[i]} * cLen[i]);
      for (int i = 0; i < kNumP; ++i)
        bits.Add(uint64_t{pFreq[i]} * (pLen[i] + (i > 1 ? i - 1 : 0)));
      return;
    }
    for (size_t k = from; k < to; ++k) {
      const Code& c = codes[k];
      if (c.length == 0) {
        bits.Put(cCode[c.value], cLen[c.value]);
        continue;
      }
      const int sym = 256 + c.length - kMinMatch;
      bits.Put(cCode[sym], cLen[sym]);
      const int slot = DistanceSlot(c.value);
      bits.Put(pCode[slot], pLen[slot]);
      if (slot > 1) bits.Put(c.value - 1, slot - 1);  // the slot implies the top bit
    }
  }
};

ChunkEncoder::ChunkEncoder(const Lh5Options& options) : s_(std::make_unique<State>(options)) {}
ChunkEncoder::~ChunkEncoder() = default;

void ChunkEncoder::Encode(const uint8_t* data, size_t history, size_t size, BitString* out) {
  s_->Encode(data, history, size, out);
}

bool BitJoiner::Add(const BitString& bits) {
  buf_.clear();
  const uint64_t whole = bits.bitCount / 8;
  const int rest = static_cast<int>(bits.bitCount % 8);
  if (pendingBits_ == 0) {
    buf_.assign(bits.bytes.begin(), bits.bytes.begin() + static_cast<ptrdiff_t>(whole));
  } else {
    buf_.resize(whole);
    for (uint64_t i = 0; i < whole; ++i) {
      const uint8_t b = bits.bytes[i];
      buf_[i] = static_cast<uint8_t>((pending_ << (8 - pendingBits_)) | (b >> pendingBits_));
      pending_ = b & ((1u << pendingBits_) - 1);
    }
  }
  if (rest > 0) {
    pending_ = (pending_ << rest) | (bits.bytes[whole] >> (8 - rest));
    pendingBits_ += rest;
    if (pendingBits_ >= 8) {
      pendingBits_ -= 8;
      buf_.push_back(static_cast<uint8_t>(pending_ >> pendingBits_));
      pending_ &= (1u << pendingBits_) - 1;
    }
  }
  out_ += buf_.size();
  return buf_.empty() || sink_.Put(buf_.data(), buf_.size());
}

bool BitJoiner::Finish() {
  if (pendingBits_ == 0) return true;
  const uint8_t last = static_cast<uint8_t>(pending_ << (8 - pendingBits_));
  pending_ = 0;
  pendingBits_ = 0;
  ++out_;
  return sink_.Put(&last, 1);
}

Lh5Encoder::Lh5Encoder(ByteSink& sink, const Lh5Options& options)
    : encoder_(options), joiner_(sink) {
  buf_.reserve(kWindow + kChunkSize);
}

Lh5Encoder::~Lh5Encoder() = default;

bool Lh5Encoder::CodeChunk() {
  encoder_.Encode(buf_.data() + history_, history_, buf_.size() - history_, &bits_);
  ok_ = ok_ && joiner_.Add(bits_);
  const size_t keep = std::min<size_t>(buf_.size(), kWindow);
  buf_.erase(buf_.begin(), buf_.end() - keep);
  history_ = keep;
  return ok_;
}

bool Lh5Encoder::Write(const uint8_t* data, size_t size) {
  while (size > 0 && ok_) {
    const size_t n = std::min(size, history_ + kChunkSize - buf_.size());
    buf_.insert(buf_.end(), data, data + n);
    data += n;
    size -= n;
    if (buf_.size() == history_ + kChunkSize) CodeChunk();
  }
  return ok_;
}

bool Lh5Encoder::Finish() {
  if (ok_ && buf_.size() > history_) CodeChunk();
  return ok_ && (ok_ = joiner_.Finish());
}

}  // namespace mv::lzh
