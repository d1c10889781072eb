// Draws the clue picture, an engraved twenty-peso banknote, and writes it as a
// progressive JPEG.
//
// Usage: make_clue_picture OUTPUT.jpg [FONT_DIR]
//
// Everything is drawn procedurally at three times the final size and reduced
// at the end, which smooths the fine engraved lines. The guilloche is made of
// families of parametric curves; the central vignette is a tone map of a mine
// gallery rendered as engraver's hatching whose line width follows the tone.
// The output is deterministic, so regenerating gives the same file.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 670;
constexpr int kHeight = 277;
constexpr int kScale = 3;
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};

Rgb Hex(uint32_t v) {
  return {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0};
}

const Rgb kPaper = Hex(0xF1E6CC);
const Rgb kOrange = Hex(0xD2542A);
const Rgb kLightOrange = Hex(0xE9A27A);
const Rgb kBlue = Hex(0x2A4F8F);
const Rgb kLightBlue = Hex(0x8FA7CC);
const Rgb kTeal = Hex(0x167A78);
const Rgb kInk = Hex(0x1B1A1C);
const Rgb kSerialRed = Hex(0xB3201A);

// A small deterministic hash noise, so the picture is the same on every run.
double Hash(int x, int y) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / static_cast<double>(0xFFFFFF);
}

double SmoothNoise(double x, double y) {
  int xi = static_cast<int>(std::floor(x));
  int yi = static_cast<int>(std::floor(y));
  double fx = x - xi, fy = y - yi;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  double a = Hash(xi, yi), b = Hash(xi + 1, yi), c = Hash(xi, yi + 1), d = Hash(xi + 1, yi + 1);
  return a + (b - a) * fx + (c - a) * fy + (a - b - c + d) * fx * fy;
}

double Fbm(double x, double y) {
  double sum = 0, amp = 0.5;
  for (int i = 0; i < 4; ++i) {
    sum += amp * SmoothNoise(x, y);
    x *= 2.03;
    y *= 2.03;
    amp *= 0.5;
  }
  return sum;
}

// The supersampled image; coordinates of the drawing calls are in final
// pixels and scaled here.
class Image {
 public:
  Image(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, kPaper) {}
  int W() const { return w_; }
  int H() const { return h_; }
  Rgb& At(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }
  void Blend(int x, int y, const Rgb& c, double a) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || a <= 0) return;
    a = std::min(a, 1.0);
    Rgb& p = At(x, y);
    p.r += (c.r - p.r) * a;
    p.g += (c.g - p.g) * a;
    p.b += (c.b - p.b) * a;
  }

 private:
  int w_, h_;
  std::vector<Rgb> px_;
};

struct Pt {
  double x, y;
};

// A thick line segment in final-pixel coordinates.
void Segment(Image& img, Pt a, Pt b, double width, const Rgb& c, double alpha = 1.0) {
  double ax = a.x * kScale, ay = a.y * kScale, bx = b.x * kScale, by = b.y * kScale;
  double r = width * kScale / 2;
  int x0 = static_cast<int>(std::floor(std::min(ax, bx) - r));
  int x1 = static_cast<int>(std::ceil(std::max(ax, bx) + r));
  int y0 = static_cast<int>(std::floor(std::min(ay, by) - r));
  int y1 = static_cast<int>(std::ceil(std::max(ay, by) + r));
  double dx = bx - ax, dy = by - ay;
  double len2 = dx * dx + dy * dy;
  for (int y = std::max(y0, 0); y <= std::min(y1, img.H() - 1); ++y) {
    for (int x = std::max(x0, 0); x <= std::min(x1, img.W() - 1); ++x) {
      double px = x + 0.5 - ax, py = y + 0.5 - ay;
      double t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0, 1.0) : 0.0;
      double ex = px - t * dx, ey = py - t * dy;
      double d = std::sqrt(ex * ex + ey * ey);
      if (d <= r) img.Blend(x, y, c, alpha);
    }
  }
}

void Polyline(Image& img, const std::vector<Pt>& pts, double width, const Rgb& c,
              double alpha = 1.0) {
  for (size_t i = 1; i < pts.size(); ++i) Segment(img, pts[i - 1], pts[i], width, c, alpha);
}

// Samples a closed parametric curve over t in [0, 2 pi).
std::vector<Pt> Curve(const std::function<Pt(double)>& f, int steps) {
  std::vector<Pt> pts;
  pts.reserve(steps + 1);
  for (int i = 0; i <= steps; ++i) pts.push_back(f(2 * kPi * i / steps));
  return pts;
}

// Fills whatever the predicate (in final-pixel coordinates) accepts inside a box.
void FillRegion(Image& img, double left, double top, double right, double bottom,
                const std::function<bool(double, double)>& inside, const Rgb& c,
                double alpha = 1.0) {
  for (int y = std::max(0, static_cast<int>(top * kScale));
       y < std::min(img.H(), static_cast<int>(bottom * kScale) + 1); ++y) {
    for (int x = std::max(0, static_cast<int>(left * kScale));
         x < std::min(img.W(), static_cast<int>(right * kScale) + 1); ++x) {
      double fx = (x + 0.5) / kScale, fy = (y + 0.5) / kScale;
      if (inside(fx, fy)) img.Blend(x, y, c, alpha);
    }
  }
}

bool InEllipse(double x, double y, double cx, double cy, double rx, double ry) {
  double u = (x - cx) / rx, v = (y - cy) / ry;
  return u * u + v * v <= 1;
}

// ---------------------------------------------------------------- text

class Fonts {
 public:
  explicit Fonts(const std::string& dir) : dir_(dir) {
    if (FT_Init_FreeType(&lib_)) throw std::runtime_error("FreeType did not start");
  }
  ~Fonts() {
    for (auto& f : faces_) FT_Done_Face(f.second);
    FT_Done_FreeType(lib_);
  }
  FT_Face Face(const std::string& file) {
    for (auto& f : faces_)
      if (f.first == file) return f.second;
    FT_Face face;
    std::string path = dir_ + "/" + file;
    if (FT_New_Face(lib_, path.c_str(), 0, &face)) throw std::runtime_error("no font " + path);
    faces_.emplace_back(file, face);
    return face;
  }

 private:
  std::string dir_;
  FT_Library lib_{};
  std::vector<std::pair<std::string, FT_Face>> faces_;
};

std::u32string Utf32(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out.push_back(c);
      ++i;
    } else if ((c & 0xE0) == 0xC0) {
      out.push_back(((c & 0x1F) << 6) | (s[i + 1] & 0x3F));
      i += 2;
    } else {
      out.push_back(((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F));
      i += 3;
    }
  }
  return out;
}

enum class Align { Left, Center, Right };

// Draws UTF-8 text with its baseline at y; size is the em size in final
// pixels, spacing extra pixels between letters.
void Text(Image& img, Fonts& fonts, const std::string& font, const std::string& text, double x,
          double y, double size, const Rgb& c, Align align = Align::Center, double spacing = 0,
          double alpha = 1.0) {
  FT_Face face = fonts.Face(font);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::lround(size * kScale)));
  std::u32string s = Utf32(text);
  double width = 0;
  for (char32_t ch : s) {
    FT_Load_Char(face, ch, FT_LOAD_DEFAULT);
    width += face->glyph->advance.x / 64.0 + spacing * kScale;
  }
  width -= spacing * kScale;
  double pen = x * kScale;
  if (align == Align::Center) pen -= width / 2;
  if (align == Align::Right) pen -= width;
  int base = static_cast<int>(std::lround(y * kScale));
  for (char32_t ch : s) {
    FT_Load_Char(face, ch, FT_LOAD_RENDER);
    FT_GlyphSlot g = face->glyph;
    int ox = static_cast<int>(std::lround(pen)) + g->bitmap_left;
    int oy = base - g->bitmap_top;
    for (unsigned r = 0; r < g->bitmap.rows; ++r)
      for (unsigned col = 0; col < g->bitmap.width; ++col) {
        double a = g->bitmap.buffer[r * g->bitmap.pitch + col] / 255.0;
        img.Blend(ox + static_cast<int>(col), oy + static_cast<int>(r), c, a * alpha);
      }
    pen += g->advance.x / 64.0 + spacing * kScale;
  }
}

// ---------------------------------------------------------------- guilloche

// A rosette of interlaced rose curves: each of `count` curves is a circle of
// radius r whose radius swings by amp n times a turn, turned a little more
// than the one before.
void Rosette(Image& img, Pt c, double r, double amp, int n, int count, double sx, double sy,
             const Rgb& col, double width) {
  for (int j = 0; j < count; ++j) {
    double phase = 2 * kPi * j / count / n;
    auto pts = Curve(
        [&](double t) {
          double rr = r + amp * std::cos(n * (t + phase));
          return Pt{c.x + sx * rr * std::cos(t), c.y + sy * rr * std::sin(t)};
        },
        900);
    Polyline(img, pts, width, col);
  }
}

// A spirograph figure (hypotrochoid) scaled into an ellipse.
void Spiro(Image& img, Pt c, double big, double small, double d, double sx, double sy,
           const Rgb& col, double width, double turn = 0) {
  int laps = static_cast<int>(small);
  std::vector<Pt> pts;
  int steps = 4000;
  for (int i = 0; i <= steps; ++i) {
    double t = 2 * kPi * laps * i / steps;
    double x = (big - small) * std::cos(t) + d * std::cos((big - small) / small * t);
    double y = (big - small) * std::sin(t) - d * std::sin((big - small) / small * t);
    double xr = x * std::cos(turn) - y * std::sin(turn);
    double yr = x * std::sin(turn) + y * std::cos(turn);
    pts.push_back({c.x + sx * xr, c.y + sy * yr});
  }
  Polyline(img, pts, width, col);
}

// A border band of interlaced waves running along a rectangle's outline; the
// waves swing across the band's width.
void WaveBorder(Image& img, double left, double top, double right, double bottom, double band,
                double period, int count, const Rgb& col, double width) {
  double w = right - left, h = bottom - top;
  double perimeter = 2 * (w + h);
  int waves = static_cast<int>(std::lround(perimeter / period));
  for (int j = 0; j < count; ++j) {
    std::vector<Pt> pts;
    int steps = static_cast<int>(perimeter * 4);
    for (int i = 0; i <= steps; ++i) {
      double s = perimeter * i / steps;
      double off = band / 2 * std::sin(2 * kPi * waves * s / perimeter + 2 * kPi * j / count);
      Pt p, n;
      if (s < w) {
        p = {left + s, top}, n = {0, 1};
      } else if (s < w + h) {
        p = {right, top + (s - w)}, n = {-1, 0};
      } else if (s < 2 * w + h) {
        p = {right - (s - w - h), bottom}, n = {0, -1};
      } else {
        p = {left, bottom - (s - 2 * w - h)}, n = {1, 0};
      }
      pts.push_back({p.x + n.x * (band / 2 + off), p.y + n.y * (band / 2 + off)});
    }
    Polyline(img, pts, width, col);
  }
}

// A straight band of interlaced waves between two points.
void WaveBand(Image& img, Pt a, Pt b, double band, double period, int count, const Rgb& col,
              double width) {
  double len = std::hypot(b.x - a.x, b.y - a.y);
  Pt d{(b.x - a.x) / len, (b.y - a.y) / len};
  Pt n{-d.y, d.x};
  for (int j = 0; j < count; ++j) {
    std::vector<Pt> pts;
    int steps = static_cast<int>(len * 4);
    for (int i = 0; i <= steps; ++i) {
      double s = len * i / steps;
      double off = band / 2 * std::sin(2 * kPi * s / period + 2 * kPi * j / count);
      pts.push_back({a.x + d.x * s + n.x * off, a.y + d.y * s + n.y * off});
    }
    Polyline(img, pts, width, col);
  }
}

// ---------------------------------------------------------------- vignette

// The vignette is first painted as a tone map (0 white paper, 1 full ink)
// with a hatching direction per pixel, then engraved: parallel lines whose
// width grows with the tone, crossed by a second set in the darkest parts.
class ToneMap {
 public:
  ToneMap(double left, double top, double w, double h)
      : left_(left),
        top_(top),
        w_(static_cast<int>(w * kScale)),
        h_(static_cast<int>(h * kScale)),
        tone_(static_cast<size_t>(w_) * h_, 0),
        angle_(static_cast<size_t>(w_) * h_, 0),
        phase_(static_cast<size_t>(w_) * h_, 0),
        solid_(static_cast<size_t>(w_) * h_, 0),
        mask_(static_cast<size_t>(w_) * h_, 0) {}

  // Paints a region given in local vignette coordinates. shade returns the
  // tone for a point; angle is the hatching direction in radians. phase, when
  // given, is the distance across the lines (in pixels) for curved hatching
  // that follows contours; otherwise the lines are straight.
  void Paint(double l, double t, double r, double b, const std::function<bool(double, double)>& in,
             const std::function<double(double, double)>& shade,
             const std::function<double(double, double)>& angle,
             const std::function<double(double, double)>& phase = nullptr) {
    for (int y = std::max(0, static_cast<int>(t * kScale));
         y < std::min(h_, static_cast<int>(b * kScale) + 2); ++y)
      for (int x = std::max(0, static_cast<int>(l * kScale));
           x < std::min(w_, static_cast<int>(r * kScale) + 2); ++x) {
        double u = (x + 0.5) / kScale, v = (y + 0.5) / kScale;
        if (!in(u, v)) continue;
        size_t i = static_cast<size_t>(y) * w_ + x;
        tone_[i] = std::clamp(shade(u, v), 0.0, 1.0);
        double a = angle(u, v);
        angle_[i] = a;
        phase_[i] = phase ? phase(u, v) : -std::sin(a) * u + std::cos(a) * v;
        solid_[i] = 0;
        mask_[i] = 1;
      }
  }

  // Marks solid ink (contours, small dark details).
  void Solid(double l, double t, double r, double b,
             const std::function<bool(double, double)>& in) {
    for (int y = std::max(0, static_cast<int>(t * kScale));
         y < std::min(h_, static_cast<int>(b * kScale) + 2); ++y)
      for (int x = std::max(0, static_cast<int>(l * kScale));
           x < std::min(w_, static_cast<int>(r * kScale) + 2); ++x) {
        double u = (x + 0.5) / kScale, v = (y + 0.5) / kScale;
        if (in(u, v)) {
          solid_[static_cast<size_t>(y) * w_ + x] = 1;
          mask_[static_cast<size_t>(y) * w_ + x] = 1;
        }
      }
  }

  // Engraves the map into the image; only pixels that outline accepts are
  // drawn (the vignette's frame shape).
  void Engrave(Image& img, const std::function<bool(double, double)>& outline) const {
    const double spacing = 2.1 * kScale;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        double u = (x + 0.5) / kScale, v = (y + 0.5) / kScale;
        if (!outline(u, v)) continue;
        size_t i = static_cast<size_t>(y) * w_ + x;
        if (!mask_[i]) continue;
        int ix = static_cast<int>(left_ * kScale) + x, iy = static_cast<int>(top_ * kScale) + y;
        if (solid_[i]) {
          img.Blend(ix, iy, kInk, 0.95);
          continue;
        }
        double tone = tone_[i];
        double a = angle_[i];
        // Distance across the hatching lines, with a slight wobble as a
        // hand-cut line has.
        double across = phase_[i] * kScale + 1.2 * std::sin(0.02 * (x + y));
        double f = across / spacing;
        double d = std::fabs(f - std::floor(f) - 0.5) * 2;  // 0 on a line, 1 between
        double cover = std::clamp(tone * 1.15, 0.0, 1.0);
        bool ink = d > 1 - cover;
        if (!ink && tone > 0.62) {
          double a2 = a + 1.1;
          double across2 = -std::sin(a2) * x + std::cos(a2) * y;
          double f2 = across2 / (spacing * 1.1);
          double d2 = std::fabs(f2 - std::floor(f2) - 0.5) * 2;
          ink = d2 > 1 - (tone - 0.62) * 1.6;
        }
        if (ink) img.Blend(ix, iy, kInk, 0.92);
      }
  }

 private:
  double left_, top_;
  int w_, h_;
  std::vector<double> tone_, angle_, phase_;
  std::vector<uint8_t> solid_, mask_;
};

double SegDist(double x, double y, Pt a, Pt b, double* along = nullptr, double* side = nullptr) {
  double dx = b.x - a.x, dy = b.y - a.y;
  double len2 = dx * dx + dy * dy;
  double t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / len2, 0.0, 1.0);
  double ex = x - (a.x + t * dx), ey = y - (a.y + t * dy);
  if (along) *along = t;
  if (side) *side = (ex * -dy + ey * dx) / std::sqrt(len2);
  return std::sqrt(ex * ex + ey * ey);
}

bool InPolygon(double x, double y, const std::vector<Pt>& poly) {
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    if ((poly[i].y > y) != (poly[j].y > y) &&
        x < (poly[j].x - poly[i].x) * (y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
      in = !in;
  }
  return in;
}

double PolyEdgeDist(double x, double y, const std::vector<Pt>& poly) {
  double d = 1e9;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
    d = std::min(d, SegDist(x, y, poly[j], poly[i]));
  return d;
}

struct Box {
  double l, t, r, b;
};

Box BoundsOf(const std::vector<Pt>& poly, double pad) {
  Box bx{1e9, 1e9, -1e9, -1e9};
  for (auto& p : poly) {
    bx.l = std::min(bx.l, p.x - pad);
    bx.t = std::min(bx.t, p.y - pad);
    bx.r = std::max(bx.r, p.x + pad);
    bx.b = std::max(bx.b, p.y + pad);
  }
  return bx;
}

// A rounded limb or body part: tone darkens towards the side away from the
// light (upper left) and a contour line runs along its edge.
void Limb(ToneMap& m, Pt a, Pt b, double r, double tone, double rEnd = -1) {
  if (rEnd < 0) rEnd = r;
  Box bx = BoundsOf({a, b}, std::max(r, rEnd) + 1);
  double ang = std::atan2(b.y - a.y, b.x - a.x);
  // Light from the upper left: the side whose normal points down-right is dark.
  double nx = -(b.y - a.y), ny = b.x - a.x;
  double sgn = (nx + ny) > 0 ? 1 : -1;
  auto radius = [&](double x, double y, double* side) {
    double t;
    double d = SegDist(x, y, a, b, &t, side);
    return std::pair<double, double>{d, r + (rEnd - r) * t};
  };
  // The lines run along the limb, as an engraver models a rounded form.
  m.Paint(
      bx.l, bx.t, bx.r, bx.b,
      [&](double x, double y) {
        auto [d, rr] = radius(x, y, nullptr);
        return d <= rr;
      },
      [&](double x, double y) {
        double side;
        auto [d, rr] = radius(x, y, &side);
        return tone + 0.32 * sgn * side / rr;
      },
      [&](double, double) { return ang; },
      [&](double x, double y) {
        double side;
        radius(x, y, &side);
        return side + 0.4;
      });
  m.Solid(bx.l, bx.t, bx.r, bx.b, [&](double x, double y) {
    auto [d, rr] = radius(x, y, nullptr);
    return d <= rr && d > rr - 0.7;
  });
}

void Shape(ToneMap& m, const std::vector<Pt>& poly, double tone, double angle, double gradient,
           bool outline = true) {
  Box bx = BoundsOf(poly, 1);
  double cy = (bx.t + bx.b) / 2, hh = (bx.b - bx.t) / 2 + 0.01;
  m.Paint(
      bx.l, bx.t, bx.r, bx.b, [&](double x, double y) { return InPolygon(x, y, poly); },
      [&](double, double y) { return tone + gradient * (y - cy) / hh; },
      [&](double, double) { return angle; });
  if (outline)
    m.Solid(bx.l, bx.t, bx.r, bx.b, [&](double x, double y) {
      return InPolygon(x, y, poly) && PolyEdgeDist(x, y, poly) < 0.65;
    });
}

void Disc(ToneMap& m, Pt c, double rx, double ry, double tone, double angle, bool outline = true) {
  m.Paint(
      c.x - rx - 1, c.y - ry - 1, c.x + rx + 1, c.y + ry + 1,
      [&](double x, double y) { return InEllipse(x, y, c.x, c.y, rx, ry); },
      [&](double x, double y) { return tone + 0.25 * ((x - c.x) / rx + (y - c.y) / ry) / 2; },
      [&](double, double) { return angle; });
  if (outline)
    m.Solid(c.x - rx - 1, c.y - ry - 1, c.x + rx + 1, c.y + ry + 1, [&](double x, double y) {
      return InEllipse(x, y, c.x, c.y, rx, ry) && !InEllipse(x, y, c.x, c.y, rx - 0.55, ry - 0.55);
    });
}

struct Pose {
  Pt head, neck, hip, kneeF, footF, kneeB, footB, elbowF, handF, elbowB, handB;
};

// A miner in shirt, trousers and a hard hat.
void Miner(ToneMap& m, const Pose& p, bool facingRight, double size = 1.0) {
  // Back limbs first so the body covers them.
  Limb(m, p.hip, p.kneeB, 4.4 * size, 0.74, 3.8 * size);
  Limb(m, p.kneeB, p.footB, 3.8 * size, 0.74, 3.2 * size);
  Disc(m, {p.footB.x + (facingRight ? 2.0 : -2.0), p.footB.y + 1}, 4.2, 2.2, 0.9, 0);
  Limb(m, {p.neck.x, p.neck.y + 3}, p.elbowB, 3.3 * size, 0.55, 2.9 * size);
  Limb(m, p.elbowB, p.handB, 2.9 * size, 0.5, 2.3 * size);
  // Torso as a tapered shape between shoulders and hips.
  double dx = p.hip.x - p.neck.x, dy = p.hip.y - p.neck.y;
  double len = std::hypot(dx, dy);
  Pt n{-dy / len, dx / len};
  Pt s{p.neck.x, p.neck.y + 2};
  std::vector<Pt> torso = {{s.x + n.x * 8.0 * size, s.y + n.y * 8.0 * size},
                           {p.hip.x + n.x * 6.8 * size, p.hip.y + n.y * 6.8 * size},
                           {p.hip.x - n.x * 6.8 * size, p.hip.y - n.y * 6.8 * size},
                           {s.x - n.x * 8.0 * size, s.y - n.y * 8.0 * size}};
  Shape(m, torso, 0.5, std::atan2(dy, dx) + 0.15, 0.15);
  // Belt.
  Limb(m, {p.hip.x + n.x * 6.6 * size, p.hip.y + n.y * 6.6 * size - 1.5},
       {p.hip.x - n.x * 6.6 * size, p.hip.y - n.y * 6.6 * size - 1.5}, 1.3, 0.95);
  Limb(m, p.hip, p.kneeF, 4.6 * size, 0.66, 4.0 * size);
  Limb(m, p.kneeF, p.footF, 4.0 * size, 0.66, 3.3 * size);
  Disc(m, {p.footF.x + (facingRight ? 2.0 : -2.0), p.footF.y + 1}, 4.4, 2.3, 0.9, 0);
  // Neck and head with a hard hat.
  Limb(m, p.neck, {p.head.x, p.head.y + 3}, 2.0, 0.3);
  Disc(m, p.head, 4.6, 5.3, 0.3, 0.9);
  Pt hat{p.head.x + (facingRight ? 0.6 : -0.6), p.head.y - 2.4};
  m.Paint(
      hat.x - 6, hat.y - 6, hat.x + 6, hat.y + 1,
      [&](double x, double y) { return y <= hat.y && InEllipse(x, y, hat.x, hat.y, 5.3, 5.2); },
      [&](double x, double) { return 0.55 + 0.3 * (x - hat.x) / 5.3; },
      [&](double, double) { return 0.3; });
  m.Solid(hat.x - 7.5, hat.y - 1, hat.x + 7.5, hat.y + 1.3, [&](double x, double y) {
    return std::fabs(y - hat.y - 0.1) < 0.9 && std::fabs(x - hat.x) < 7.2;
  });
  // A lamp on the hat's front.
  double lx = hat.x + (facingRight ? 4.2 : -4.2);
  m.Solid(lx - 1.6, hat.y - 3.8, lx + 1.6, hat.y - 0.6,
          [&](double x, double y) { return InEllipse(x, y, lx, hat.y - 2.2, 1.3, 1.4); });
  // Eye and moustache hints.
  double ex = p.head.x + (facingRight ? 2.2 : -2.2);
  m.Solid(ex - 1, p.head.y - 1, ex + 1, p.head.y + 1,
          [&](double x, double y) { return InEllipse(x, y, ex, p.head.y, 0.6, 0.5); });
  m.Solid(ex - 2.4, p.head.y + 1.5, ex + 2.4, p.head.y + 3.2, [&](double x, double y) {
    return InEllipse(x, y, ex - (facingRight ? 0.5 : -0.5), p.head.y + 2.4, 1.8, 0.6);
  });
  // Front arm over the body.
  Limb(m, {p.neck.x, p.neck.y + 3}, p.elbowF, 3.4 * size, 0.42, 3.0 * size);
  Limb(m, p.elbowF, p.handF, 3.0 * size, 0.36, 2.4 * size);
  Disc(m, p.handF, 1.9, 1.9, 0.35, 0.5);
}

// A pick: the handle from the grip to its end, and the iron head across it
// with both points curving back towards the hands.
void Pick(ToneMap& m, Pt grip, Pt end) {
  Limb(m, grip, end, 1.2, 0.45);
  double len = std::hypot(end.x - grip.x, end.y - grip.y);
  Pt d{(end.x - grip.x) / len, (end.y - grip.y) / len};
  Pt p{-d.y, d.x};
  auto at = [&](double across, double along) {
    return Pt{end.x + p.x * across + d.x * along, end.y + p.y * across + d.y * along};
  };
  std::vector<Pt> head = {at(13, -4),  at(7, 0.6),   at(0, 2.4),  at(-7, 0.6),
                          at(-13, -4), at(-7, -1.2), at(0, -1.6), at(7, -1.2)};
  Shape(m, head, 0.85, std::atan2(p.y, p.x), 0.1);
}

void Shovel(ToneMap& m, Pt top, Pt neck, const std::vector<Pt>& blade) {
  Limb(m, top, neck, 1.1, 0.5);
  Limb(m, {top.x - 2.2, top.y + 0.5}, {top.x + 2.2, top.y - 0.5}, 1.0, 0.8);
  Shape(m, blade, 0.62, 1.2, 0.15);
}

void DrawVignette(Image& img) {
  const double L = 208, T = 70, W = 254, H = 150;
  ToneMap m(L, T, W, H);
  auto inside = [&](double, double) { return true; };
  const Pt tc{160, 82};  // the tunnel mouth

  // Rock walls with strata: the hatching follows wavy contours, and the rock
  // is lit around the lantern so the figures stand out against it.
  m.Paint(
      0, 0, W, H, inside,
      [&](double x, double y) {
        double glow = std::min(1.0, std::hypot((x - tc.x) / 120, (y - 60) / 85));
        return 0.12 + 0.32 * glow + 0.4 * (Fbm(x * 0.05, y * 0.07) - 0.5);
      },
      [&](double, double) { return 0.15; },
      [&](double x, double y) {
        return y + 0.12 * x + 9 * Fbm(x * 0.02 + 7, y * 0.02) + 2 * std::sin(x * 0.07);
      });
  // The gallery ceiling is darker.
  m.Paint(
      0, 0, W, 22, [&](double, double y) { return y < 20; },
      [&](double x, double y) { return 0.6 - y * 0.01 + 0.2 * (Fbm(x * 0.08, y * 0.08) - 0.5); },
      [&](double x, double) { return -0.05 + 0.1 * std::sin(x * 0.05); });
  // The gallery floor, lighter towards the viewer.
  m.Paint(
      0, 112, W, H, [&](double, double y) { return y >= 114; },
      [&](double x, double y) {
        return 0.4 - (y - 114) * 0.007 + 0.15 * (Fbm(x * 0.1, y * 0.2) - 0.5);
      },
      [&](double, double) { return 0.0; });
  // The tunnel receding into darkness, cross-hatched.
  m.Paint(
      tc.x - 34, tc.y - 44, tc.x + 34, tc.y + 34,
      [&](double x, double y) { return y < tc.y + 32 && InEllipse(x, y, tc.x, tc.y, 28, 40); },
      [&](double x, double y) {
        double r = std::hypot((x - tc.x) / 28, (y - tc.y + 6) / 40);
        return 0.98 - 0.25 * r;
      },
      [&](double, double) { return 0.05; });
  // Timber frame of the tunnel mouth: two posts and a cap beam.
  Shape(m, {{128, 40}, {136, 40}, {135, 116}, {127, 116}}, 0.5, kPi / 2 + 0.08, 0.1);
  Shape(m, {{184, 40}, {192, 40}, {193, 116}, {185, 116}}, 0.55, kPi / 2 - 0.08, 0.1);
  Shape(m, {{121, 32}, {199, 32}, {199, 41}, {121, 41}}, 0.6, 0.02, 0.15);
  // Near timber props framing the scene, and the lagging above.
  Shape(m, {{4, 4}, {14, 4}, {15, 142}, {3, 142}}, 0.58, kPi / 2 + 0.05, 0.1);
  Shape(m, {{239, 4}, {249, 4}, {250, 142}, {238, 142}}, 0.58, kPi / 2 - 0.05, 0.1);
  Shape(m, {{0, 0}, {W, 0}, {W, 10}, {0, 10}}, 0.66, 0.0, 0.1);
  for (double gx : {7.0, 10.5, 242.0, 245.5})
    m.Solid(gx - 0.4, 12, gx + 0.4, 138, [&](double x, double y) {
      return std::fabs(x - gx - 0.6 * std::sin(y * 0.15)) < 0.3 && std::fmod(y, 23) < 15;
    });
  // A lantern hanging from the cap beam, with its glow.
  m.Paint(
      146, 41, 174, 70, [&](double x, double y) { return InEllipse(x, y, 160, 56, 14, 13); },
      [&](double x, double y) { return 0.05 + 0.6 * std::hypot((x - 160) / 14, (y - 56) / 13); },
      [&](double, double) { return 0.0; });
  m.Solid(159.6, 41, 160.4, 50, [](double, double) { return true; });
  Shape(m, {{156, 50}, {164, 50}, {165, 60}, {155, 60}}, 0.25, kPi / 2, 0.1);
  m.Solid(154, 49, 166, 51, [](double, double) { return true; });
  m.Solid(154, 59.5, 166, 61.5, [](double, double) { return true; });

  // Rails running into the tunnel, with sleepers.
  Pt vp{160, 100};
  for (double y = 116; y < H; y += 4 + (y - 116) * 0.25) {
    double k = (y - vp.y) / (H - vp.y);
    double half = 60 * k + 4;
    double th = 1.0 + 2.0 * k;
    m.Paint(
        vp.x - half - 6 * k, y, vp.x + half + 6 * k, y + th, [&](double, double) { return true; },
        [](double, double) { return 0.75; }, [](double, double) { return 0.0; });
  }
  for (double side : {-1.0, 1.0}) {
    Pt a{vp.x + side * 8, 114}, b{vp.x + side * 64, H};
    m.Solid(std::min(a.x, b.x) - 2, 114, std::max(a.x, b.x) + 2, H,
            [&](double x, double y) { return SegDist(x, y, a, b) < 0.5 + (y - 114) * 0.035; });
  }

  // The mine cart on the left, loaded with ore, standing on its own track.
  m.Solid(16, 134.5, 90, 136.5, [](double, double) { return true; });
  std::vector<Pt> body = {{20, 96}, {86, 96}, {80, 128}, {26, 128}};
  Shape(m, body, 0.5, kPi / 2 + 0.04, 0.25);
  Shape(m, {{18, 93}, {88, 93}, {88, 99}, {18, 99}}, 0.85, 0.0, 0.0);
  Shape(m, {{24, 112}, {83, 112}, {82, 116}, {25, 116}}, 0.8, 0.0, 0.0);
  for (double rx = 26; rx <= 82; rx += 9.2)
    m.Solid(rx - 1, 101, rx + 1, 127, [&](double x, double y) {
      return InEllipse(x, y, rx, 106, 0.9, 0.9) || InEllipse(x, y, rx - 1, 122, 0.9, 0.9);
    });
  // Ore heaped above the rim.
  for (int i = 0; i < 15; ++i) {
    double ox = 24 + i * 4.2 + 2 * (Hash(i, 3) - 0.5);
    double top = 93 - 10 * std::sin(kPi * (i + 0.5) / 15) - 3 * Hash(i, 7);
    double r = 3.0 + 2.2 * Hash(i, 11);
    Disc(m, {ox, top + r}, r, r * 0.8, 0.55 + 0.3 * Hash(i, 5), 0.6 + Hash(i, 9));
  }
  for (double wx : {35.0, 71.0}) {
    Disc(m, {wx, 129}, 8, 8, 0.8, 0.9);
    Disc(m, {wx, 129}, 3.5, 3.5, 0.35, 0.2);
    m.Solid(wx - 1, 128, wx + 1, 130,
            [&](double x, double y) { return InEllipse(x, y, wx, 129, 0.9, 0.9); });
  }
  // A heap of loose ore on the floor at the miner's feet.
  for (int i = 0; i < 9; ++i) {
    double ox = 86 + i * 3.2;
    double top = 141 - 5 * std::sin(kPi * (i + 0.5) / 9) - 2 * Hash(i, 13);
    double r = 2.2 + 1.6 * Hash(i, 17);
    Disc(m, {ox, top}, r, r * 0.75, 0.6 + 0.3 * Hash(i, 19), 1.0 + Hash(i, 21));
  }

  // A third miner further in, in the tunnel mouth, smaller.
  Pose far{{160, 87},  {160, 91}, {161, 104}, {165, 111}, {166, 118}, {157, 111},
           {156, 118}, {165, 97}, {169, 101}, {156, 97},  {154, 102}};
  Miner(m, far, true, 0.6);

  // The miner with the shovel, throwing a shovelful of ore into the cart.
  Pose shovel{{108, 70},  {110, 77}, {117, 104},    {108, 121}, {102, 141}, {126, 122},
              {131, 141}, {103, 89}, {101.5, 94.5}, {120, 92},  {115, 101}};
  Shovel(m, {123, 104.5}, {88, 88}, {{89.7, 84.4}, {79.5, 80.1}, {76.5, 86.5}, {86.3, 91.6}});
  for (int i = 0; i < 5; ++i)
    Disc(m, {78.5 + i * 2.3, 82.5 - (i % 2) * 1.3 + i * 0.6}, 1.7, 1.3, 0.8, 0.9);
  Miner(m, shovel, false);

  // The miner with the pick, swinging at the rock face on the right.
  Pose pick{{211, 66},  {210, 73}, {212, 104}, {223, 120}, {229, 141}, {203, 122},
            {197, 141}, {221, 60}, {218, 48},  {216, 65},  {215, 53}};
  Pick(m, {219, 46}, {197, 22});
  Miner(m, pick, true);
  // The front hand closes over the handle again.
  Disc(m, {218, 48}, 2.1, 2.1, 0.35, 0.5);

  // The frame: a rectangle with an arched top and softly broken edges.
  auto frame = [&](double x, double y) {
    if (x < 1.5 || x > W - 1.5 || y > H - 1.5) return false;
    double arch = 30;
    if (y < arch) {
      double dx = (x - W / 2) / (W / 2 - 1.5);
      double top = arch - arch * std::sqrt(std::max(0.0, 1 - dx * dx)) * 0.95 + 1.5;
      if (y < top) return false;
    }
    return true;
  };
  m.Engrave(img, frame);
  // Frame lines.
  std::vector<Pt> outline;
  for (int i = 0; i <= 200; ++i) {
    double x = 1.5 + (W - 3) * i / 200.0;
    double dx = (x - W / 2) / (W / 2 - 1.5);
    double top = 30 - 30 * std::sqrt(std::max(0.0, 1 - dx * dx)) * 0.95 + 1.5;
    outline.push_back({L + x, T + top});
  }
  outline.push_back({L + W - 1.5, T + H - 1.5});
  outline.push_back({L + 1.5, T + H - 1.5});
  outline.push_back(outline.front());
  Polyline(img, outline, 1.0, kInk);
  std::vector<Pt> outer;
  for (auto p : outline) {
    double ox = p.x < L + W / 2 ? -2.5 : 2.5;
    outer.push_back({p.x + ox, p.y + (p.y > T + H - 2 ? 2.5 : -2.5)});
  }
  Polyline(img, outer, 0.6, kBlue);
}

// ---------------------------------------------------------------- banknote

void DrawUnderprint(Image& img) {
  // Fine waves across the whole note, as the background security printing.
  for (int j = 0; j < 46; ++j) {
    double y0 = 30 + j * 5.4;
    std::vector<Pt> pts;
    for (double x = 0; x <= kWidth; x += 0.5)
      pts.push_back({x, y0 + 3.0 * std::sin(x * 0.045 + j * 0.7) + 2.0 * std::sin(x * 0.013)});
    Polyline(img, pts, 0.35, kLightOrange, 0.55);
  }
  for (int j = 0; j < 30; ++j) {
    double x0 = j * 23.0;
    std::vector<Pt> pts;
    for (double y = 24; y <= kHeight; y += 0.5) pts.push_back({x0 + 6 * std::sin(y * 0.05 + j), y});
    Polyline(img, pts, 0.3, kLightBlue, 0.35);
  }
}

void DrawMedallion(Image& img, Fonts& fonts, Pt c, bool blueFirst) {
  const Rgb& a = blueFirst ? kBlue : kOrange;
  const Rgb& b = blueFirst ? kOrange : kBlue;
  Rosette(img, c, 48, 6, 18, 6, 1.0, 1.0, blueFirst ? kLightBlue : kLightOrange, 0.45);
  Spiro(img, c, 40, 9, 15, 1.0, 1.0, a, 0.5);
  Rosette(img, c, 36, 4, 24, 4, 0.85, 1.0, b, 0.45);
  // The oval medallion holding the value.
  FillRegion(
      img, c.x - 30, c.y - 36, c.x + 30, c.y + 36,
      [&](double x, double y) { return InEllipse(x, y, c.x, c.y, 24, 30); }, kPaper, 0.92);
  Rosette(img, c, 26, 1.2, 40, 2, 0.92, 1.15, a, 0.55);
  Segment(img, {c.x - 24, c.y}, {c.x - 24, c.y}, 0, a);
  std::vector<Pt> oval = Curve(
      [&](double t) {
        return Pt{c.x + 22.5 * std::cos(t), c.y + 28.5 * std::sin(t)};
      },
      300);
  Polyline(img, oval, 0.8, a);
  Text(img, fonts, "DejaVuSerif-Bold.ttf", "20", c.x, c.y + 12, 33, a);
}

void DrawCorner(Image& img, Fonts& fonts, Pt c, const Rgb& col) {
  Rosette(img, c, 17, 2.5, 12, 4, 1.0, 1.0, col, 0.45);
  FillRegion(
      img, c.x - 15, c.y - 15, c.x + 15, c.y + 15,
      [&](double x, double y) { return InEllipse(x, y, c.x, c.y, 13, 13); }, kPaper, 0.9);
  auto ring = Curve(
      [&](double t) {
        return Pt{c.x + 13 * std::cos(t), c.y + 13 * std::sin(t)};
      },
      200);
  Polyline(img, ring, 0.7, col);
  Text(img, fonts, "DejaVuSerif-Bold.ttf", "20", c.x, c.y + 6.5, 17, col);
}

// A handwritten signature: a run of cursive loops (a trochoid whose loop
// height wanders) and an underline flourish.
void DrawSignature(Image& img, Pt at, int seed) {
  std::vector<Pt> pts;
  const int loops = 6 + seed % 3;
  for (int i = 0; i <= 600; ++i) {
    double t = i / 600.0;
    double w = 2 * kPi * loops * t + seed;
    double height = 3.2 + 2.2 * std::sin(2 * kPi * 1.4 * t + seed * 1.7);
    double x = at.x + t * 50 + 2.6 * std::cos(w);
    double y = at.y - height * std::sin(w) - 2.5 * t;
    pts.push_back({x, y});
  }
  Polyline(img, pts, 0.6, kInk);
  std::vector<Pt> flourish;
  for (int i = 0; i <= 100; ++i) {
    double t = i / 100.0;
    flourish.push_back({at.x - 4 + t * 60, at.y + 5 - 6 * t * t + 3 * std::sin(t * kPi)});
  }
  Polyline(img, flourish, 0.55, kInk);
}

void DrawNote(Image& img, Fonts& fonts) {
  // Paper with a faint mottling.
  for (int y = 0; y < img.H(); ++y)
    for (int x = 0; x < img.W(); ++x) {
      double n = Fbm(x * 0.01, y * 0.01) - 0.5;
      Rgb& p = img.At(x, y);
      p = {kPaper.r + 0.05 * n, kPaper.g + 0.05 * n, kPaper.b + 0.06 * n};
    }
  DrawUnderprint(img);

  // Outer frame: an orange-red guilloche band between fine rules, then a blue
  // band inside.
  WaveBorder(img, 5, 29, kWidth - 5, kHeight - 5, 12, 9, 5, kOrange, 0.5);
  WaveBorder(img, 5, 29, kWidth - 5, kHeight - 5, 12, 23, 3, kBlue, 0.4);
  for (double inset : {4.0, 18.0}) {
    std::vector<Pt> r = {{inset, 25 + inset},
                         {kWidth - inset, 25 + inset},
                         {kWidth - inset, kHeight - inset},
                         {inset, kHeight - inset},
                         {inset, 25 + inset}};
    Polyline(img, r, 0.9, kOrange);
  }
  WaveBorder(img, 20, 45, kWidth - 20, kHeight - 20, 6, 6, 3, kBlue, 0.35);
  std::vector<Pt> inner = {
      {27, 52}, {kWidth - 27, 52}, {kWidth - 27, kHeight - 27}, {27, kHeight - 27}, {27, 52}};
  Polyline(img, inner, 0.7, kBlue);

  // Side panels of vertical guilloche bands.
  WaveBand(img, {158, 60}, {158, 244}, 10, 14, 4, kOrange, 0.45);
  WaveBand(img, {512, 60}, {512, 244}, 10, 14, 4, kOrange, 0.45);

  // The two oval medallions with the value.
  DrawMedallion(img, fonts, {92, 138}, true);
  DrawMedallion(img, fonts, {578, 138}, false);

  // The value in the four corners.
  DrawCorner(img, fonts, {44, 69}, kOrange);
  DrawCorner(img, fonts, {kWidth - 44, 69}, kOrange);
  DrawCorner(img, fonts, {44, kHeight - 43}, kBlue);
  DrawCorner(img, fonts, {kWidth - 44, kHeight - 43}, kBlue);

  // The vignette of miners in the centre.
  DrawVignette(img);

  // Legends.
  Text(img, fonts, "DejaVuSerif-Bold.ttf", "BANCO DE LA REPÚBLICA", kWidth / 2.0, 64, 16, kBlue,
       Align::Center, 1.2);
  Text(img, fonts, "DejaVuSerif-Bold.ttf", "VEINTE PESOS ORO", kWidth / 2.0, 238, 14, kOrange,
       Align::Center, 1.5);
  Text(img, fonts, "DejaVuSerif.ttf", "Pagará al portador a la vista", 92, 203, 8.5, kInk);
  Text(img, fonts, "DejaVuSerif.ttf", "la suma de veinte pesos", 92, 212, 8.5, kInk);
  Text(img, fonts, "DejaVuSerif.ttf", "BOGOTÁ, 20 DE JULIO DE 1928", 578, 203, 7, kInk);
  Text(img, fonts, "DejaVuSerif.ttf", "Ley 25 de 1923", 578, 212, 7.5, kInk);
  DrawSignature(img, {62, 226}, 1);
  Text(img, fonts, "DejaVuSerif.ttf", "EL GERENTE", 92, 240, 7, kInk);
  DrawSignature(img, {547, 226}, 4);
  Text(img, fonts, "DejaVuSerif.ttf", "EL CAJERO", 578, 240, 7, kInk);
  Text(img, fonts, "DejaVuSerif.ttf", "MINERÍA NACIONAL", kWidth / 2.0, 252, 7.5, kBlue,
       Align::Center, 2.5);

  // Series letter and serial numbers in red.
  Text(img, fonts, "DejaVuSerif-Bold.ttf", "B", 186, 84, 20, kSerialRed);
  Text(img, fonts, "DejaVuSerif-Bold.ttf", "B", 484, 84, 20, kSerialRed);
  Text(img, fonts, "DejaVuSansMono-Bold.ttf", "Nº 0473182", 66, 82, 10, kSerialRed, Align::Left);
  Text(img, fonts, "DejaVuSansMono-Bold.ttf", "Nº 0473182", kWidth - 66, 82, 10, kSerialRed,
       Align::Right);
  Text(img, fonts, "DejaVuSans-Bold.ttf", "SERIE B", 186, 96, 6.5, kSerialRed);
  Text(img, fonts, "DejaVuSans-Bold.ttf", "SERIE B", 484, 96, 6.5, kSerialRed);

  // The teal band across the top edge.
  FillRegion(
      img, 0, 0, kWidth, 25, [](double, double y) { return y < 24; }, kTeal, 1.0);
  for (int j = 0; j < 2; ++j) {
    std::vector<Pt> pts;
    for (double x = 0; x <= kWidth; x += 0.5)
      pts.push_back({x, 12 + 9 * std::sin(x * 0.09 + j * kPi)});
    Polyline(img, pts, 0.35, Hex(0x3E9A97), 0.8);
  }
  Segment(img, {0, 2}, {kWidth, 2}, 0.6, Hex(0xCFE6E2), 0.8);
  Segment(img, {0, 22}, {kWidth, 22}, 0.6, Hex(0xCFE6E2), 0.8);
  Text(img, fonts, "DejaVuSans-Bold.ttf", "NEAR IGUMENKA", kWidth / 2.0, 18, 15, Hex(0xF4F1E6),
       Align::Center, 4.0);
}

// Reduces the supersampled image to 8-bit RGB rows.
std::vector<uint8_t> Reduce(Image& img) {
  std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      double r = 0, g = 0, b = 0;
      for (int j = 0; j < kScale; ++j)
        for (int i = 0; i < kScale; ++i) {
          const Rgb& p = img.At(x * kScale + i, y * kScale + j);
          r += p.r, g += p.g, b += p.b;
        }
      double n = kScale * kScale;
      uint8_t* o = &out[(static_cast<size_t>(y) * kWidth + x) * 3];
      o[0] = static_cast<uint8_t>(std::clamp(r / n * 255 + 0.5, 0.0, 255.0));
      o[1] = static_cast<uint8_t>(std::clamp(g / n * 255 + 0.5, 0.0, 255.0));
      o[2] = static_cast<uint8_t>(std::clamp(b / n * 255 + 0.5, 0.0, 255.0));
    }
  return out;
}

// Writes a JFIF 1.01 progressive JPEG: both quantisation tables all ones, Y
// sampled 2 x 2 and chroma 1 x 1, libjpeg's standard progression of ten scans
// (each preceded by the Huffman tables it uses), no other markers.
void WriteJpeg(const std::string& path, const std::vector<uint8_t>& rgb) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, JCS_YCbCr);
  unsigned int ones[DCTSIZE2];
  for (unsigned int& q : ones) q = 1;
  jpeg_add_quant_table(&cinfo, 0, ones, 100, TRUE);
  jpeg_add_quant_table(&cinfo, 1, ones, 100, TRUE);
  cinfo.comp_info[0].h_samp_factor = 2;
  cinfo.comp_info[0].v_samp_factor = 2;
  cinfo.comp_info[0].quant_tbl_no = 0;
  for (int c = 1; c < 3; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
    cinfo.comp_info[c].quant_tbl_no = 1;
  }
  cinfo.write_JFIF_header = TRUE;
  cinfo.JFIF_major_version = 1;
  cinfo.JFIF_minor_version = 1;
  cinfo.density_unit = 1;
  cinfo.X_density = 0;
  cinfo.Y_density = 0;
  cinfo.write_Adobe_marker = FALSE;
  cinfo.restart_interval = 0;
  cinfo.restart_in_rows = 0;
  jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(&rgb[static_cast<size_t>(cinfo.next_scanline) * kWidth * 3]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.jpg [FONT_DIR]\n", argv[0]);
    return 2;
  }
  try {
    std::string fontDir = argc > 2 ? argv[2] : "/usr/share/fonts/truetype/dejavu";
    Fonts fonts(fontDir);
    Image img(kWidth * kScale, kHeight * kScale);
    DrawNote(img, fonts);
    WriteJpeg(argv[1], Reduce(img));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_clue_picture: %s\n", e.what());
    return 1;
  }
  return 0;
}
