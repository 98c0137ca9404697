// The -lh5- coder: CRC, Huffman lengths, encoder and decoder round trips, determinism.
#include <gtest/gtest.h>

#include "lzh_test_support.h"
#include "unlha32/lzh/crc16.h"
#include "unlha32/lzh/huffman.h"
#include "unlha32/lzh/lh5_encoder.h"

namespace mv::lzh {
namespace {

using testing::Bytes;

Bytes Encode(const Bytes& in, size_t piece = SIZE_MAX, const Lh5Options& options = {}) {
  testing::VectorSink sink;
  Lh5Encoder e(sink, options);
  for (size_t at = 0; at < in.size(); at += piece)
    e.Write(in.data() + at, std::min(piece, in.size() - at));
  EXPECT_TRUE(e.Finish());
  EXPECT_EQ(e.OutputSize(), sink.bytes.size());
  return sink.bytes;
}

void ExpectRoundTrip(const Bytes& in) {
  const Bytes coded = Encode(in);
  Bytes out;
  ASSERT_EQ(testing::DecodeLh5(coded, in.size(), &out), DecodeStatus::kOk) << "size " << in.size();
  ASSERT_EQ(out.size(), in.size());
  EXPECT_TRUE(out == in) << "size " << in.size();
}

TEST(LzhCrc, CheckValueAndPieces) {
  EXPECT_EQ(Crc16(0, "123456789", 9), 0xBB3D);
  EXPECT_EQ(Crc16(0, "", 0), 0);
  // The four-byte steps must agree with byte steps at every split and alignment.
  const Bytes data = testing::RandomBytes(1000, 7);
  const uint16_t whole = Crc16(0, data.data(), data.size());
  for (size_t split : {1u, 2u, 3u, 5u, 511u, 999u})
    EXPECT_EQ(Crc16(Crc16(0, data.data(), split), data.data() + split, data.size() - split), whole);
  uint16_t bytewise = 0;
  for (uint8_t b : data) bytewise = Crc16(bytewise, &b, 1);
  EXPECT_EQ(bytewise, whole);
}

TEST(LzhHuffman, LengthsAreLimitedAndComplete) {
  // Fibonacci frequencies make the deepest unlimited trees.
  std::vector<uint32_t> freq(30);
  freq[0] = freq[1] = 1;
  for (size_t i = 2; i < freq.size(); ++i) freq[i] = freq[i - 1] + freq[i - 2];
  for (int maxBits : {16, 7}) {
    std::vector<uint8_t> len(freq.size());
    EXPECT_EQ(BuildLengths(freq.data(), freq.size(), maxBits, len.data()), -1);
    uint64_t kraft = 0;
    for (uint8_t l : len) {
      EXPECT_GE(l, 1);
      EXPECT_LE(l, maxBits);
      kraft += uint64_t{1} << (maxBits - l);
    }
    EXPECT_EQ(kraft, uint64_t{1} << maxBits) << "maxBits " << maxBits;
    // More frequent symbols never get longer codes.
    for (size_t i = 1; i < freq.size(); ++i) EXPECT_LE(len[i], len[i - 1]);
  }
}

TEST(LzhHuffman, FewSymbolsAndCanonicalCodes) {
  uint32_t none[4] = {0, 0, 0, 0}, one[4] = {0, 0, 9, 0}, two[4] = {5, 0, 0, 1};
  uint8_t len[4];
  EXPECT_EQ(BuildLengths(none, 4, 16, len), 0);
  EXPECT_EQ(BuildLengths(one, 4, 16, len), 2);
  EXPECT_EQ(len[2], 0);
  EXPECT_EQ(BuildLengths(two, 4, 16, len), -1);
  EXPECT_EQ(len[0], 1);
  EXPECT_EQ(len[3], 1);

  const uint8_t lengths[6] = {2, 3, 3, 0, 2, 2};
  uint16_t codes[6];
  BuildCodes(lengths, 6, codes);
  // Length 2: symbols 0, 4, 5 get 00, 01, 10; length 3: symbols 1, 2 get 110, 111.
  EXPECT_EQ(codes[0], 0b00);
  EXPECT_EQ(codes[4], 0b01);
  EXPECT_EQ(codes[5], 0b10);
  EXPECT_EQ(codes[1], 0b110);
  EXPECT_EQ(codes[2], 0b111);
}

TEST(LzhCoder, RoundTripsKindsOfData) {
  ExpectRoundTrip(Bytes{42});
  ExpectRoundTrip(Bytes(3, 'a'));
  ExpectRoundTrip(Bytes(200000, 0));  // one literal and long matches: single-code tables
  ExpectRoundTrip(testing::TextBytes(300000, 1));
  ExpectRoundTrip(testing::RandomBytes(70000, 2));
  Bytes two(100000);
  for (size_t i = 0; i < two.size(); ++i) two[i] = (i / 7) % 2 ? 'x' : 'y';
  ExpectRoundTrip(two);
  // Repeats at exactly the window's reach and just beyond it.
  Bytes far = testing::RandomBytes(8192, 3);
  const Bytes again(far.begin(), far.begin() + 300);
  far.insert(far.end(), again.begin(), again.end());
  far.insert(far.end(), far.begin() + 1, far.begin() + 400);
  ExpectRoundTrip(far);
}

TEST(LzhCoder, RoundTripsAcrossSegmentAndChunkBoundaries) {
  const Bytes text = testing::TextBytes(kChunkSize + 5000, 4);
  for (size_t n : {size_t{65535}, size_t{65536}, size_t{65537}, size_t{131071}, size_t{131073},
                   kChunkSize - 1, kChunkSize, kChunkSize + 1, kChunkSize + 5000}) {
    ExpectRoundTrip(Bytes(text.begin(), text.begin() + n));
  }
  // More than 65535 codes in one segment: the block must be split.
  ExpectRoundTrip(testing::RandomBytes(131072 + 17, 5));
}

TEST(LzhCoder, OutputDependsOnlyOnTheInput) {
  const Bytes in = testing::TextBytes(kChunkSize + 70000, 6);
  const Bytes whole = Encode(in);
  EXPECT_EQ(Encode(in, 1000), whole);
  EXPECT_EQ(Encode(in, kChunkSize), whole);
  // Chunks coded apart with their history and joined bit by bit give the same stream.
  testing::VectorSink sink;
  BitJoiner joiner(sink);
  ChunkEncoder first, second;
  BitString a, b;
  first.Encode(in.data(), 0, kChunkSize, &a);
  second.Encode(in.data() + kChunkSize, 8192, in.size() - kChunkSize, &b);
  ASSERT_TRUE(joiner.Add(a) && joiner.Add(b) && joiner.Finish());
  EXPECT_EQ(sink.bytes, whole);
  // A reused encoder gives what a fresh one gives.
  BitString again;
  first.Encode(in.data() + kChunkSize, 8192, in.size() - kChunkSize, &again);
  EXPECT_EQ(again.bytes, b.bytes);
}

TEST(LzhCoder, CompressesBetterThanStoring) {
  const Bytes text = testing::TextBytes(200000, 8);
  EXPECT_LT(Encode(text).size(), text.size() / 3);
  const Bytes noise = testing::RandomBytes(200000, 9);
  EXPECT_LT(Encode(noise).size(), noise.size() + noise.size() / 100);
}

// Segments with hardly any repeats are coded as literals without the search: they must
// stay next to a copy in size, and what follows must still find its repeats, those reaching
// back into the literal part included.
TEST(LzhCoder, IncompressiblePartsAndWhatFollowsThem) {
  const Bytes noise = testing::RandomBytes(2 * 131072, 13);
  const Bytes text = testing::TextBytes(100000, 14);
  const size_t noiseAlone = Encode(noise).size();
  EXPECT_LT(noiseAlone, noise.size() + noise.size() / 200);

  Bytes echo = noise;  // the last 6000 noise bytes again, within the window's reach
  echo.insert(echo.end(), noise.end() - 6000, noise.end());
  echo.insert(echo.end(), text.begin(), text.end());
  ExpectRoundTrip(echo);
  EXPECT_LT(Encode(echo).size(), noiseAlone + Encode(text).size() + 200);

  // Noise between two texts: within 1 % of the three coded apart (a segment that holds both
  // kinds is priced for the mixture).
  Bytes mixed(text.begin(), text.end());
  mixed.insert(mixed.end(), noise.begin(), noise.end());
  mixed.insert(mixed.end(), text.rbegin(), text.rend());
  ExpectRoundTrip(mixed);
  const size_t apart =
      Encode(text).size() + noiseAlone + Encode(Bytes(text.rbegin(), text.rend())).size();
  EXPECT_LT(Encode(mixed).size(), apart + apart / 100);

  // Sparse repeats just above what the probe lets pass still go through the search.
  Bytes sparse = testing::RandomBytes(131072, 15);
  for (size_t at = 8192; at + 64 <= sparse.size(); at += 2048)
    std::copy(sparse.begin() + at - 4096, sparse.begin() + at - 4096 + 64, sparse.begin() + at);
  ExpectRoundTrip(sparse);
  EXPECT_LT(Encode(sparse).size(), sparse.size() - sparse.size() / 64);
}

TEST(LzhDecoder, RejectsDamagedStreams) {
  const Bytes in = testing::TextBytes(50000, 10);
  const Bytes coded = Encode(in);
  Bytes out;
  // Cut short: the decoder runs out of input long before the end.
  Bytes cut(coded.begin(), coded.begin() + coded.size() / 2);
  EXPECT_EQ(testing::DecodeLh5(cut, in.size(), &out), DecodeStatus::kCorrupt);
  // A block of zero codes cannot occur.
  EXPECT_EQ(testing::DecodeLh5(Bytes(64, 0), 10, &out), DecodeStatus::kCorrupt);
  // Flipped bits either fail or give other bytes, never a crash or an overrun.
  for (size_t at = 0; at < coded.size(); at += coded.size() / 50) {
    Bytes bad = coded;
    bad[at] ^= 0x5A;
    const DecodeStatus s = testing::DecodeLh5(bad, in.size(), &out);
    if (s == DecodeStatus::kOk) {
      EXPECT_EQ(out.size(), in.size());
    }
  }
}

}  // namespace
}  // namespace mv::lzh
