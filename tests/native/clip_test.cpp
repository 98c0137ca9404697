// The animation clip, read back by ffmpeg as an independent reader, and the RLE8 encoder checked
// against a strict decoder of our own.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <map>
#include <random>

#define MAKECLIP_NO_MAIN
#include "tools/makeclip.cpp"

namespace {

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

struct ClipFile : ::testing::Test {
  std::string dir, avi;
  void SetUp() override {
    // scripts/setup.sh installs it: without it this is a broken setup, not a test to skip.
    ASSERT_FALSE(Shell("ffprobe -version 2>/dev/null").empty())
        << "ffprobe (Debian ffmpeg) is not installed";
    std::string pattern = ::testing::TempDir() + "clipXXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
    avi = dir + "/clip.avi";
    ASSERT_NE(Shell(std::string("'") + MAKECLIP_EXE + "' '" + avi + "'").find("26 frames"),
              std::string::npos);
  }
  void TearDown() override {
    if (dir.empty()) return;
    unlink(avi.c_str());
    rmdir(dir.c_str());
  }
};

// Decodes RLE8 as a DIB stores it (bottom row first) into top-down rows; fails on anything a
// key frame should not hold: deltas, rows too short or too long, data after the end.
bool DecodeRle8(const std::vector<uint8_t>& data, int width, int height,
                std::vector<uint8_t>& pixels) {
  pixels.assign(static_cast<size_t>(width) * height, 0xEE);
  int row = height - 1, x = 0;
  for (size_t i = 0; i + 1 < data.size();) {
    const uint8_t a = data[i++], b = data[i++];
    if (a > 0) {
      if (row < 0 || x + a > width) return false;
      for (int k = 0; k < a; ++k) pixels[row * width + x++] = b;
    } else if (b == 0 || b == 1) {
      if (x != width) return false;
      x = 0;
      if (--row < 0 || b == 1) return b == 1 && row == -1 && i == data.size();
    } else if (b == 2) {
      return false;
    } else {
      if (row < 0 || x + b > width || i + b > data.size()) return false;
      for (int k = 0; k < b; ++k) pixels[row * width + x++] = data[i + k];
      i += b + (b % 2);
    }
  }
  return false;
}

}  // namespace

TEST_F(ClipFile, FfprobeSeesOneRleVideoStreamOf26FramesAt10Fps) {
  std::map<std::string, std::string> info;
  const std::string out = Shell(
      "ffprobe -v error -count_frames -show_entries "
      "stream=codec_type,codec_name,width,height,nb_read_frames,r_frame_rate "
      "-of default=nw=1 '" +
      avi + "'");
  for (size_t at = 0; at < out.size();) {
    size_t end = out.find('\n', at), eq = out.find('=', at);
    if (end == std::string::npos) end = out.size();
    if (eq < end) info[out.substr(at, eq - at)] = out.substr(eq + 1, end - eq - 1);
    at = end + 1;
  }
  EXPECT_EQ(info["codec_type"], "video");  // only one stream: a second would overwrite the keys
  EXPECT_EQ(info["codec_name"], "msrle");
  EXPECT_EQ(info["width"], "272");
  EXPECT_EQ(info["height"], "60");
  EXPECT_EQ(info["nb_read_frames"], "26");
  EXPECT_EQ(info["r_frame_rate"], "10/1");
  EXPECT_EQ(Shell("ffprobe -v error -show_entries stream=index -of csv=p=0 '" + avi + "'"), "0\n");
  FILE* f = fopen(avi.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  fseek(f, 0, SEEK_END);
  EXPECT_LT(ftell(f), 32 * 1024);  // it lives in the program's resources
  fclose(f);
}

TEST_F(ClipFile, FfmpegDecodesEveryFrameToThePicturesDrawn) {
  const std::string rgb = Shell("ffmpeg -v error -i '" + avi + "' -f rawvideo -pix_fmt rgb24 -");
  const size_t frameBytes = makeclip::kWidth * makeclip::kHeight * 3;
  ASSERT_EQ(rgb.size(), frameBytes * makeclip::kFrames);
  for (int n = 0; n < makeclip::kFrames; ++n) {
    const makeclip::Picture picture = makeclip::RenderFrame(n);
    EXPECT_EQ(picture.pixels[0], makeclip::kMagenta);
    size_t wrong = 0;
    for (size_t p = 0; p < picture.pixels.size(); ++p) {
      const makeclip::Rgb& c = makeclip::kPalette[picture.pixels[p]];
      const auto* got = reinterpret_cast<const uint8_t*>(rgb.data() + n * frameBytes + p * 3);
      wrong += got[0] != c.r || got[1] != c.g || got[2] != c.b;
    }
    EXPECT_EQ(wrong, 0u) << "frame " << n;
  }
  EXPECT_EQ(rgb.substr(0, 3), std::string("\xFF\x00\xFF", 3));  // magenta: the transparent colour
}

TEST(Rle8, RoundTripsRunsLiteralsAndRowEdges) {
  std::mt19937 random(7);
  struct Case {
    int width, height;
    std::function<uint8_t(int, int)> pixel;
  } cases[] = {
      {1, 1, [](int, int) { return uint8_t{5}; }},
      {272, 3, [](int, int) { return uint8_t{13}; }},                   // runs past 255
      {300, 2, [](int x, int y) { return uint8_t((x + y) % 16); }},     // literals past 255
      {9, 4, [](int x, int y) { return uint8_t(x < 3 + y ? x : 0); }},  // short and odd literals
      {7, 2, [](int x, int) { return uint8_t(x / 2); }},                // pairs only
      {50, 20, [&](int, int) { return uint8_t(random() % 3 ? 13 : random() % 16); }},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> pixels(static_cast<size_t>(c.width) * c.height);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) pixels[y * c.width + x] = c.pixel(x, y);
    std::vector<uint8_t> decoded;
    ASSERT_TRUE(
        DecodeRle8(makeclip::EncodeRle8(pixels, c.width, c.height), c.width, c.height, decoded))
        << c.width << "x" << c.height;
    EXPECT_EQ(decoded, pixels) << c.width << "x" << c.height;
  }
}
