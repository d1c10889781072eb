// Compares the PNG files of two folders pixel by pixel: a cross build's
// rendering of the dialogs against the Linux build's.
//
// Usage: compare_pngs REFERENCE_DIR CANDIDATE_DIR [NAME:LEFT,TOP,RIGHT,BOTTOM:TOLERANCE]...
//
// Every PNG in the reference folder must exist in the candidate folder with
// the same size and pixels. Inside a rectangle named for a file, a colour
// channel may differ by up to the tolerance: decoding a JPEG differs slightly
// between libjpeg-turbo's SIMD code and its plain C code. Prints one line per
// file and exits 1 on any other difference, a missing file or no file at all.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/paint/png/PngFile.h"

namespace {

struct Allowance {
  tk::TRect area;
  int tolerance = 0;
};

// "name.png:left,top,right,bottom:tolerance"
bool ParseAllowance(const std::string& text, std::string& name, Allowance& a) {
  size_t colon = text.find(':');
  size_t last = text.rfind(':');
  if (colon == std::string::npos || last == colon) return false;
  name = text.substr(0, colon);
  int l = 0, t = 0, r = 0, b = 0;
  if (std::sscanf(text.substr(colon + 1, last - colon - 1).c_str(), "%d,%d,%d,%d", &l, &t, &r,
                  &b) != 4) {
    return false;
  }
  a.area = {l, t, r, b};
  a.tolerance = std::atoi(text.c_str() + last + 1);
  return true;
}

int ChannelDifference(tk::TColor a, tk::TColor b) {
  int most = 0;
  for (int shift : {0, 8, 16}) {
    int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    most = std::max(most, d < 0 ? -d : d);
  }
  return most;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: compare_pngs REFERENCE_DIR CANDIDATE_DIR [ALLOWANCE]...\n");
    return 2;
  }
  std::filesystem::path reference = argv[1];
  std::filesystem::path candidate = argv[2];
  std::map<std::string, Allowance> allowances;
  for (int i = 3; i < argc; ++i) {
    std::string name;
    Allowance a;
    if (!ParseAllowance(argv[i], name, a)) {
      std::fprintf(stderr, "bad allowance: %s\n", argv[i]);
      return 2;
    }
    allowances[name] = a;
  }

  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(reference, ec)) {
    if (entry.path().extension() == ".png") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  if (names.empty()) {
    std::printf("no PNG files in %s\n", reference.string().c_str());
    return 1;
  }

  int failed = 0;
  for (const std::string& name : names) {
    tk::PixelBuffer want;
    tk::PixelBuffer got;
    if (!tk::ReadPng((reference / name).string(), want) ||
        !tk::ReadPng((candidate / name).string(), got)) {
      std::printf("%s: missing or unreadable\n", name.c_str());
      ++failed;
      continue;
    }
    if (want.Width() != got.Width() || want.Height() != got.Height()) {
      std::printf("%s: size %dx%d, expected %dx%d\n", name.c_str(), got.Width(), got.Height(),
                  want.Width(), want.Height());
      ++failed;
      continue;
    }
    auto allowed = allowances.find(name);
    int outside = 0;
    int inside = 0;
    int insideMost = 0;
    tk::TRect box;
    for (int y = 0; y < want.Height(); ++y) {
      for (int x = 0; x < want.Width(); ++x) {
        int d = ChannelDifference(want.At(x, y), got.At(x, y));
        if (d == 0) continue;
        box = box.Union({x, y, x + 1, y + 1});
        if (allowed != allowances.end() && allowed->second.area.Contains({x, y})) {
          ++inside;
          insideMost = std::max(insideMost, d);
        } else {
          ++outside;
        }
      }
    }
    bool ok = outside == 0 && (inside == 0 || insideMost <= allowed->second.tolerance);
    if (outside == 0 && inside == 0) {
      std::printf("%s: %dx%d identical\n", name.c_str(), want.Width(), want.Height());
    } else {
      std::printf(
          "%s: %d pixels differ outside the allowed area, %d inside (largest channel "
          "difference %d), within %d,%d-%d,%d: %s\n",
          name.c_str(), outside, inside, insideMost, box.Left, box.Top, box.Right, box.Bottom,
          ok ? "within tolerance" : "MISMATCH");
    }
    if (!ok) ++failed;
  }
  std::printf("%d of %zu files match\n", static_cast<int>(names.size()) - failed, names.size());
  return failed == 0 ? 0 : 1;
}
