// Constants of the -lh4- to -lh7- coded stream: LZSS symbols coded with static Huffman blocks.
//
// A block starts with its code count (16 bits), then three code tables: the T table (code
// lengths of the C table's length codes), the C table (literals 0..255 and match lengths
// 3..256 as symbols 256..509), and the P table (bit length of the match distance minus one).
// Each match is its C code, its P code and then P-1 extra distance bits.
#pragma once

namespace mv::lzh {

inline constexpr int kMinMatch = 3;
inline constexpr int kMaxMatch = 256;
inline constexpr int kNumC = 256 + kMaxMatch - kMinMatch + 1;  // 510
inline constexpr int kCBits = 9;  // width of the C table's count and single-code fields
inline constexpr int kNumT = 19;  // lengths 1..16 as 3..18, and three kinds of zero runs
inline constexpr int kTBits = 5;
inline constexpr int kTSpecial = 3;  // after this many T lengths comes a 2-bit zero count

// Window bits per method: -lh4- 12, -lh5- 13, -lh6- 15, -lh7- 16.
inline constexpr int NumP(int windowBits) { return windowBits + 1; }
inline constexpr int PBits(int windowBits) { return windowBits <= 13 ? 4 : 5; }

inline constexpr int kLh5WindowBits = 13;
inline constexpr int kLh5Window = 1 << kLh5WindowBits;

}  // namespace mv::lzh
