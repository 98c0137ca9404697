// makeclip: draws the copy dialog's animation (a sheet flying from one folder into another) and
// writes it as a silent RLE8 AVI for the program's resources. Self-contained: any C++17 compiler.
//
// Usage: makeclip OUTPUT.avi
//
// Every frame is a key frame, so a player may start or loop anywhere; the background is magenta
// and fills the top-left pixel, which the animation control takes as its transparent colour.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace makeclip {

constexpr int kWidth = 272;
constexpr int kHeight = 60;
constexpr int kFrames = 26;
constexpr uint32_t kMicrosPerFrame = 100000;

// The 16 standard colours as red, green, blue.
struct Rgb {
  uint8_t r, g, b;
};
constexpr Rgb kPalette[16] = {
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0x80, 0x80, 0x80},
    {0xC0, 0xC0, 0xC0}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
};
enum Colour : uint8_t {
  kBlack = 0,
  kDarkYellow = 3,
  kDarkGrey = 7,
  kLightGrey = 8,
  kYellow = 11,
  kMagenta = 13,
  kWhite = 15,
};

// One picture, rows top to bottom, one palette index per pixel.
struct Picture {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(kWidth * kHeight, kMagenta);
  void Set(int x, int y, uint8_t colour) {
    if (x >= 0 && x < kWidth && y >= 0 && y < kHeight) pixels[y * kWidth + x] = colour;
  }
};

struct Point {
  double x, y;
};

// Fills every pixel whose centre lies inside the convex polygon (points in either winding).
void FillConvex(Picture& picture, const std::vector<Point>& polygon, uint8_t colour) {
  double top = kHeight, bottom = 0, left = kWidth, right = 0;
  for (const Point& p : polygon) {
    top = std::fmin(top, p.y), bottom = std::fmax(bottom, p.y);
    left = std::fmin(left, p.x), right = std::fmax(right, p.x);
  }
  for (int y = static_cast<int>(top); y <= static_cast<int>(bottom); ++y) {
    for (int x = static_cast<int>(left); x <= static_cast<int>(right); ++x) {
      const double px = x + 0.5, py = y + 0.5;
      int sign = 0;
      bool inside = true;
      for (size_t i = 0; i < polygon.size() && inside; ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[(i + 1) % polygon.size()];
        const double cross = (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
        const int s = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
        if (s != 0 && sign != 0 && s != sign) inside = false;
        if (s != 0) sign = s;
      }
      if (inside) picture.Set(x, y, colour);
    }
  }
}

void FillRect(Picture& picture, double x0, double y0, double x1, double y1, uint8_t colour) {
  FillConvex(picture, {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, colour);
}

// An open folder seen from the front: a back panel with a tab, and a front flap leaning back.
struct Folder {
  double x, y;  // top-left corner of the tab
  uint8_t back, front;
  static constexpr double kW = 52, kH = 34;

  void DrawBack(Picture& p) const {
    FillRect(p, x + 2, y, x + 20, y + 6, kBlack);
    FillRect(p, x + 3, y + 1, x + 19, y + 6, back);
    FillRect(p, x, y + 4, x + kW, y + kH, kBlack);
    FillRect(p, x + 1, y + 5, x + kW - 1, y + kH - 1, back);
  }
  void DrawFront(Picture& p) const {
    const double top = y + 13;
    // The left edge stays upright on the back's edge: one outline run per row instead of three.
    FillConvex(p, {{x, top}, {x + kW + 5, top}, {x + kW, y + kH}, {x, y + kH}}, kBlack);
    FillConvex(
        p,
        {{x + 1, top + 1}, {x + kW + 3.5, top + 1}, {x + kW - 1, y + kH - 1}, {x + 1, y + kH - 1}},
        front);
  }
};

constexpr Folder kSource{8, 22, kDarkGrey, kLightGrey};
constexpr Folder kTarget{206, 22, kDarkYellow, kYellow};

// A sheet of paper with three lines of writing, centred on (cx, cy) and turned by angle.
void DrawSheet(Picture& picture, double cx, double cy, double angle) {
  const double halfW = 8, halfH = 10;
  const double c = std::cos(angle), s = std::sin(angle);
  for (int y = static_cast<int>(cy - 14); y <= static_cast<int>(cy + 14); ++y) {
    for (int x = static_cast<int>(cx - 14); x <= static_cast<int>(cx + 14); ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      const double u = c * dx + s * dy, v = -s * dx + c * dy;  // in the sheet's own frame
      if (std::fabs(u) > halfW || std::fabs(v) > halfH) continue;
      uint8_t colour = kWhite;
      if (std::fabs(u) > halfW - 1 || std::fabs(v) > halfH - 1)
        colour = kBlack;
      else if (std::fabs(u) < halfW - 3 &&
               (std::fabs(v + 5) < 0.6 || std::fabs(v) < 0.6 || std::fabs(v - 5) < 0.6))
        colour = kDarkGrey;
      picture.Set(x, y, colour);
    }
  }
}

// Frame n of the loop: the sheet rises out of the left folder, arcs over and drops into the right
// one, turning as it goes; the first and last frames show it tucked into a folder.
Picture RenderFrame(int n) {
  const double t = static_cast<double>(n) / (kFrames - 1);
  const double startX = kSource.x + 28, endX = kTarget.x + 28;
  const double baseY = 40, apexY = 11;
  Picture picture;
  kSource.DrawBack(picture);
  kTarget.DrawBack(picture);
  DrawSheet(picture, startX + (endX - startX) * t, baseY - (baseY - apexY) * 4 * t * (1 - t),
            -0.5 + t);
  kSource.DrawFront(picture);
  kTarget.DrawFront(picture);
  return picture;
}

// RLE8 of a picture given top row first; the encoded rows go bottom first, as a DIB stores them.
// Runs of two or more are encoded; stretches of three or more single pixels go in absolute mode
// (padded to an even length); every row ends with end-of-line, the last with end-of-bitmap.
std::vector<uint8_t> EncodeRle8(const std::vector<uint8_t>& pixels, int width, int height) {
  std::vector<uint8_t> out;
  auto runAt = [&](const uint8_t* row, int i) {
    int n = 1;
    while (i + n < width && n < 255 && row[i + n] == row[i]) ++n;
    return n;
  };
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* row = pixels.data() + static_cast<size_t>(y) * width;
    int i = 0;
    while (i < width) {
      const int run = runAt(row, i);
      if (run >= 2) {
        out.push_back(static_cast<uint8_t>(run));
        out.push_back(row[i]);
        i += run;
        continue;
      }
      int end = i + 1;  // gather singles until a run of two starts
      while (end < width && end - i < 255 && runAt(row, end) < 2) ++end;
      const int count = end - i;
      if (count >= 3) {
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(count));
        out.insert(out.end(), row + i, row + end);
        if (count % 2) out.push_back(0);
      } else {
        for (int k = i; k < end; ++k) {
          out.push_back(1);
          out.push_back(row[k]);
        }
      }
      i = end;
    }
    out.push_back(0);
    out.push_back(y == 0 ? 1 : 0);
  }
  return out;
}

// Little-endian RIFF writing with chunk sizes patched when a chunk closes.
class Riff {
 public:
  std::vector<uint8_t> bytes;

  void U8(uint8_t v) { bytes.push_back(v); }
  void U16(uint16_t v) { U8(v & 0xFF), U8(v >> 8); }
  void U32(uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
  void Cc(const char* fourcc) { bytes.insert(bytes.end(), fourcc, fourcc + 4); }
  void Bytes(const std::vector<uint8_t>& data) {
    bytes.insert(bytes.end(), data.begin(), data.end());
  }

  // "RIFF"/"LIST" with a form type, or a plain chunk when type is null.
  size_t Open(const char* id, const char* type = nullptr) {
    Cc(id);
    const size_t at = bytes.size();
    U32(0);
    if (type) Cc(type);
    return at;
  }
  void Close(size_t at) {
    const uint32_t size = static_cast<uint32_t>(bytes.size() - at - 4);
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<uint8_t>(size >> (8 * k));
    if (size % 2) U8(0);
  }
};

std::vector<uint8_t> BuildAvi(const std::vector<std::vector<uint8_t>>& frames) {
  uint32_t largest = 0;
  for (const auto& f : frames)
    largest = std::max<uint32_t>(largest, static_cast<uint32_t>(f.size()));
  const uint32_t count = static_cast<uint32_t>(frames.size());
  Riff r;
  const size_t riff = r.Open("RIFF", "AVI ");
  const size_t hdrl = r.Open("LIST", "hdrl");

  const size_t avih = r.Open("avih");
  r.U32(kMicrosPerFrame);
  r.U32(largest * (1000000 / kMicrosPerFrame));  // max bytes per second
  r.U32(0);                                      // padding granularity
  r.U32(0x10);                                   // AVIF_HASINDEX
  r.U32(count);
  r.U32(0);  // initial frames
  r.U32(1);  // streams
  r.U32(largest);
  r.U32(kWidth);
  r.U32(kHeight);
  for (int k = 0; k < 4; ++k) r.U32(0);
  r.Close(avih);

  const size_t strl = r.Open("LIST", "strl");
  const size_t strh = r.Open("strh");
  r.Cc("vids");
  r.Cc("mrle");
  r.U32(0);                          // flags
  r.U16(0), r.U16(0);                // priority, language
  r.U32(0);                          // initial frames
  r.U32(1);                          // scale
  r.U32(1000000 / kMicrosPerFrame);  // rate: frames per second
  r.U32(0);                          // start
  r.U32(count);                      // length
  r.U32(largest);                    // suggested buffer size: a player reads this much per frame
  r.U32(0xFFFFFFFFu);                // quality: default
  r.U32(0);                          // sample size: varies
  r.U16(0), r.U16(0), r.U16(kWidth), r.U16(kHeight);
  r.Close(strh);

  const size_t strf = r.Open("strf");
  r.U32(40);
  r.U32(kWidth);
  r.U32(kHeight);  // positive: bottom-up rows
  r.U16(1);        // planes
  r.U16(8);        // bits per pixel
  r.U32(1);        // BI_RLE8
  r.U32(largest);  // size of the image data; a decoder given 0 draws nothing
  r.U32(0), r.U32(0);
  r.U32(16), r.U32(16);  // colours used, important
  for (const Rgb& c : kPalette) r.U8(c.b), r.U8(c.g), r.U8(c.r), r.U8(0);
  r.Close(strf);
  r.Close(strl);
  r.Close(hdrl);

  // Nothing but the frames in the movie list: some players take its chunks as the frames.
  const size_t movi = r.Open("LIST", "movi");
  const size_t moviData = movi + 4;  // index offsets count from the "movi" type
  std::vector<uint32_t> offsets;
  for (const auto& f : frames) {
    offsets.push_back(static_cast<uint32_t>(r.bytes.size() - moviData));
    const size_t chunk = r.Open("00dc");
    r.Bytes(f);
    r.Close(chunk);
  }
  r.Close(movi);

  const size_t idx1 = r.Open("idx1");
  for (size_t k = 0; k < frames.size(); ++k) {
    r.Cc("00dc");
    r.U32(0x10);  // AVIIF_KEYFRAME
    r.U32(offsets[k]);
    r.U32(static_cast<uint32_t>(frames[k].size()));
  }
  r.Close(idx1);
  r.Close(riff);
  return r.bytes;
}

std::vector<uint8_t> BuildClip() {
  std::vector<std::vector<uint8_t>> frames;
  for (int n = 0; n < kFrames; ++n)
    frames.push_back(EncodeRle8(RenderFrame(n).pixels, kWidth, kHeight));
  return BuildAvi(frames);
}

}  // namespace makeclip

#ifndef MAKECLIP_NO_MAIN
int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: makeclip OUTPUT.avi\n");
    return 2;
  }
  const std::vector<uint8_t> avi = makeclip::BuildClip();
  std::FILE* file = std::fopen(argv[1], "wb");
  if (!file) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(avi.data(), 1, avi.size(), file) == avi.size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "makeclip: could not write %s\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  std::printf("%s: %zu bytes, %d frames\n", argv[1], avi.size(), makeclip::kFrames);
  return 0;
}
#endif
