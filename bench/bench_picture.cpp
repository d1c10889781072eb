// Costs of the clue picture: reading its blob with the header parse (paid at
// dialog creation), the one decode at the first paint (24-bit and the 8-bit
// palette path), and drawing the cached bitmap at later paints.

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "toolkit/graphics/Jpeg.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/PixelBuffer.h"

namespace {

const std::string& ClueBlob() {
  static const std::string blob = [] {
    std::ifstream in(std::string(MV_SOURCE_DIR) + "/resources/clue-picture.jpg", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    std::string jpeg = s.str();
    std::string b("\x0ATJPEGImage", 11);
    uint32_t n = static_cast<uint32_t>(jpeg.size());
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    return b + jpeg;
  }();
  return blob;
}

std::unique_ptr<tk::TPicture> LoadPicture() {
  auto picture = std::make_unique<tk::TPicture>();
  tk::TMemoryStream stream(ClueBlob());
  picture->LoadPictureBlob(stream);
  return picture;
}

void BM_ReadBlobAndHeader(benchmark::State& state) {
  tk::StartJpegSupport(32);
  for (auto _ : state) {
    auto picture = LoadPicture();
    benchmark::DoNotOptimize(picture->Width());
  }
  tk::StopJpegSupport();
}
BENCHMARK(BM_ReadBlobAndHeader)->Unit(benchmark::kMicrosecond);

void Decode(benchmark::State& state, int displayBits) {
  tk::StartJpegSupport(displayBits);
  for (auto _ : state) {
    state.PauseTiming();
    auto picture = LoadPicture();
    auto* image = static_cast<tk::TJPEGImage*>(picture->Graphic());
    state.ResumeTiming();
    benchmark::DoNotOptimize(image->DecodedBitmap().ScanLine(0));
  }
  tk::StopJpegSupport();
}

void BM_Decode24(benchmark::State& state) {
  Decode(state, 32);
}
BENCHMARK(BM_Decode24)->Unit(benchmark::kMillisecond);

void BM_Decode8(benchmark::State& state) {
  Decode(state, 8);
}
BENCHMARK(BM_Decode8)->Unit(benchmark::kMillisecond);

void BM_DrawCached(benchmark::State& state) {
  tk::StartJpegSupport(32);
  auto picture = LoadPicture();
  tk::PixelBuffer buffer(672, 337);
  tk::Canvas canvas(buffer);
  picture->Draw(canvas, tk::TRect{0, 0, 670, 277});
  for (auto _ : state) {
    picture->Draw(canvas, tk::TRect{0, 0, 670, 277});
    benchmark::DoNotOptimize(buffer.Row(0));
  }
  tk::StopJpegSupport();
}
BENCHMARK(BM_DrawCached)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
