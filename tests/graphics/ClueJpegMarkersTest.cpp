// Checks the committed clue picture at the level of its JPEG markers: the
// exact structure the decoder and the dialog rely on, not only that it decodes.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/graphics/PictureFiles.h"

namespace {

struct Segment {
  int marker;
  std::string body;  // without the marker and the length
};

// Splits the file into marker segments; entropy-coded data after a start of
// scan is skipped up to the next marker that is not a stuffed byte or a
// restart marker (restart markers are recorded, there must be none).
std::vector<Segment> Segments(const std::string& f) {
  std::vector<Segment> out;
  size_t i = 0;
  auto byte = [&](size_t k) { return static_cast<unsigned char>(f.at(k)); };
  while (i + 1 < f.size()) {
    EXPECT_EQ(byte(i), 0xFF) << "marker expected at " << i;
    if (byte(i) != 0xFF) break;
    int m = byte(i + 1);
    if (m == 0xD8 || m == 0xD9) {
      out.push_back({m, {}});
      i += 2;
      continue;
    }
    size_t len = byte(i + 2) * 256 + byte(i + 3);
    out.push_back({m, f.substr(i + 4, len - 2)});
    i += 2 + len;
    if (m == 0xDA) {
      while (i + 1 < f.size()) {
        if (byte(i) == 0xFF && byte(i + 1) != 0) {
          if (byte(i + 1) >= 0xD0 && byte(i + 1) <= 0xD7) {
            out.push_back({byte(i + 1), {}});
          } else {
            break;
          }
        }
        ++i;
      }
    }
  }
  return out;
}

int U8(const std::string& s, size_t k) {
  return static_cast<unsigned char>(s.at(k));
}
int U16(const std::string& s, size_t k) {
  return U8(s, k) * 256 + U8(s, k + 1);
}

struct Scan {
  std::vector<int> components;
  int ss, se, ah, al;
};

TEST(ClueJpegMarkers, FileHasTheExactStructure) {
  std::string f = ReadClueJpeg();
  ASSERT_GT(f.size(), 1000u);
  ASSERT_EQ(U16(f, 0), 0xFFD8) << "SOI first";
  ASSERT_EQ(U16(f, f.size() - 2), 0xFFD9) << "EOI last, nothing after it";

  std::vector<Segment> segs = Segments(f);
  ASSERT_GE(segs.size(), 4u);
  EXPECT_EQ(segs.front().marker, 0xD8);
  EXPECT_EQ(segs.back().marker, 0xD9);
  EXPECT_EQ(segs[1].marker, 0xE0) << "APP0 right after SOI";

  // JFIF 1.01, density unit 1, densities 0, no thumbnail.
  EXPECT_EQ(segs[1].body, std::string("JFIF\0\x01\x01\x01\0\0\0\0\0\0", 14));

  std::set<int> quantTables;
  int frames = 0;
  std::set<std::pair<int, int>> huffmanSinceScan;  // (class, id) defined since the last scan
  std::vector<Scan> scans;
  for (size_t k = 2; k + 1 < segs.size(); ++k) {
    const Segment& s = segs[k];
    switch (s.marker) {
      case 0xDB: {  // quantisation tables
        EXPECT_EQ(frames, 0) << "tables before the frame";
        for (size_t p = 0; p < s.body.size(); p += 65) {
          int pq = U8(s.body, p) >> 4, tq = U8(s.body, p) & 15;
          EXPECT_EQ(pq, 0) << "8-bit precision";
          EXPECT_TRUE(quantTables.insert(tq).second) << "table " << tq << " defined twice";
          for (int e = 1; e <= 64; ++e) EXPECT_EQ(U8(s.body, p + e), 1) << "table " << tq;
        }
        break;
      }
      case 0xC2: {  // progressive Huffman frame
        ++frames;
        const std::string& b = s.body;
        ASSERT_EQ(b.size(), 6u + 3 * 3);
        EXPECT_EQ(U8(b, 0), 8);
        EXPECT_EQ(U16(b, 1), 277);
        EXPECT_EQ(U16(b, 3), 670);
        EXPECT_EQ(U8(b, 5), 3);
        const int expected[3][3] = {{1, 0x22, 0}, {2, 0x11, 1}, {3, 0x11, 1}};
        for (int c = 0; c < 3; ++c)
          for (int j = 0; j < 3; ++j) EXPECT_EQ(U8(b, 6 + 3 * c + j), expected[c][j]);
        break;
      }
      case 0xC4: {  // Huffman tables
        for (size_t p = 0; p < s.body.size();) {
          int tc = U8(s.body, p) >> 4, th = U8(s.body, p) & 15;
          huffmanSinceScan.insert({tc, th});
          size_t n = 0;
          for (int l = 1; l <= 16; ++l) n += U8(s.body, p + l);
          p += 17 + n;
        }
        break;
      }
      case 0xDA: {
        ASSERT_EQ(frames, 1) << "scan before the frame";
        const std::string& b = s.body;
        Scan scan;
        int ns = U8(b, 0);
        scan.ss = U8(b, 1 + 2 * ns);
        scan.se = U8(b, 2 + 2 * ns);
        scan.ah = U8(b, 3 + 2 * ns) >> 4;
        scan.al = U8(b, 3 + 2 * ns) & 15;
        std::set<std::pair<int, int>> uses;
        for (int c = 0; c < ns; ++c) {
          int id = U8(b, 1 + 2 * c);
          int td = U8(b, 2 + 2 * c) >> 4, ta = U8(b, 2 + 2 * c) & 15;
          scan.components.push_back(id);
          // Luminance codes with tables 0, both chroma components with tables 1.
          int table = id == 1 ? 0 : 1;
          if (scan.ss == 0) {
            // DC refinement codes raw bits and uses no table.
            if (scan.ah == 0) {
              EXPECT_EQ(td, table) << "component " << id;
              uses.insert({0, td});
            }
          } else {
            EXPECT_EQ(ta, table) << "component " << id;
            uses.insert({1, ta});
          }
        }
        EXPECT_EQ(huffmanSinceScan, uses)
            << "scan " << scans.size() + 1 << " is preceded by exactly the tables it uses";
        huffmanSinceScan.clear();
        scans.push_back(scan);
        break;
      }
      default:
        ADD_FAILURE() << "unexpected marker FF" << std::hex << s.marker;
    }
  }
  EXPECT_EQ(quantTables, (std::set<int>{0, 1}));
  EXPECT_EQ(frames, 1);

  // libjpeg's standard progression for a three-component YCbCr image.
  const std::vector<Scan> script = {{{1, 2, 3}, 0, 0, 0, 1}, {{1}, 1, 5, 0, 2},  {{3}, 1, 63, 0, 1},
                                    {{2}, 1, 63, 0, 1},      {{1}, 6, 63, 0, 2}, {{1}, 1, 63, 2, 1},
                                    {{1, 2, 3}, 0, 0, 1, 0}, {{3}, 1, 63, 1, 0}, {{2}, 1, 63, 1, 0},
                                    {{1}, 1, 63, 1, 0}};
  ASSERT_EQ(scans.size(), script.size());
  auto fields = [](const Scan& s) { return std::make_tuple(s.components, s.ss, s.se, s.ah, s.al); };
  for (size_t k = 0; k < script.size(); ++k) {
    EXPECT_EQ(fields(scans[k]), fields(script[k])) << "scan " << k + 1;
  }
}

}  // namespace
