// HEX parse throughput on a full-size file (64 KB of data), beside the wall-clock
// time srec_cat needs to convert the same file.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "image/hex_reader.h"
#include "image/image_loader.h"
#include "image/intel_hex_text.h"
#include "image/memory_map.h"

namespace {

struct Fixture {
  std::string text;  // the HEX file's content
  std::string path;  // the same content on disk
  qrk::LoadOptions load;
};

// 64 KB of random data in 16-byte records, as most tools write it.
const Fixture& fixture() {
  static const Fixture made = [] {
    Fixture f;
    std::mt19937 random(1);
    std::vector<std::uint8_t> data(0x10000);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    f.text = qrk::intelHexText(0, data);
    std::string pattern = (std::filesystem::temp_directory_path() / "qrkbenchXXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) ::close(fd);
    f.path = pattern;
    std::ofstream(f.path, std::ios::binary) << f.text;
    qrk::selectModel(f.load.model, "QRK5-64E");  // the whole 64 KB lies in its AP area
    f.load.memoryMap = qrk::memoryMapTexts(f.load.model, "0.0k");
    f.load.clearBuffer = true;
    return f;
  }();
  return made;
}

double megabytes(std::size_t bytes) { return static_cast<double>(bytes) / 1e6; }

void BM_ParseHexText(benchmark::State& state) {
  const Fixture& f = fixture();
  const qrk::ReadContext context{f.load.model, qrk::readLimits(f.load.memoryMap, f.load.model), 0,
                                 0xFF};
  qrk::ImageBuffer image;
  for (auto _ : state) {
    qrk::prepareForLoad(image, 0xFF, true);
    benchmark::DoNotOptimize(qrk::readHexText(image, f.text, context).sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.text.size()));
}
BENCHMARK(BM_ParseHexText);

// The whole load sequence from the file: open, format choice, read, region scans.
void BM_LoadHexFile(benchmark::State& state) {
  const Fixture& f = fixture();
  qrk::ImageBuffer image;
  image.filePath = f.path;
  qrk::NullHost host;
  for (auto _ : state) {
    benchmark::DoNotOptimize(qrk::loadImage(image, f.load, host).read.sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.text.size()));
}
BENCHMARK(BM_LoadHexFile);

template <typename Work>
double bestSeconds(int runs, Work work) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

void printComparison() {
  const Fixture& f = fixture();
  qrk::ImageBuffer image;
  image.filePath = f.path;
  qrk::NullHost host;
  const double ours = bestSeconds(200, [&] { qrk::loadImage(image, f.load, host); });

  const std::string out = f.path + ".bin";
  const std::string command = "srec_cat '" + f.path + "' -intel -o '" + out + "' -binary";
  double theirs = 0;
  if (std::system("command -v srec_cat >/dev/null 2>&1") == 0) {
    theirs = bestSeconds(10, [&] { std::system(command.c_str()); });
  }
  std::filesystem::remove(out);

  std::printf("\nHEX file: %.1f KB of text, 64 KB of data\n",
              static_cast<double>(f.text.size()) / 1e3);
  std::printf("  qrkprog load (best of 200): %8.3f ms  %8.1f MB/s\n", ours * 1e3,
              megabytes(f.text.size()) / ours);
  if (theirs > 0) {
    std::printf("  srec_cat convert (best of 10, wall clock): %8.3f ms  %8.1f MB/s\n", theirs * 1e3,
                megabytes(f.text.size()) / theirs);
    std::printf("  qrkprog is %.0fx faster\n", theirs / ours);
  } else {
    std::printf("  srec_cat is not installed: no comparison\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  printComparison();
  std::filesystem::remove(fixture().path);
  return 0;
}
