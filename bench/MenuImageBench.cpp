// What a context menu pays the first time it shows its pictures: decoding and fitting the embedded
// images to the check-mark size.
#include <benchmark/benchmark.h>

#include "core/menu/MenuImage.h"

namespace {

void DecodeAllImages(benchmark::State& state) {
    for (auto _ : state) {
        for (int image = 1; image <= quillet::kMenuImageCount; ++image) {
            benchmark::DoNotOptimize(quillet::DecodeEmbeddedImage(quillet::EmbeddedMenuImage(image)));
        }
    }
}
BENCHMARK(DecodeAllImages);

void PrepareAllImages(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int image = 1; image <= quillet::kMenuImageCount; ++image) {
            benchmark::DoNotOptimize(
                quillet::PrepareMenuPicture(quillet::EmbeddedMenuImage(image), size, size));
        }
    }
}
BENCHMARK(PrepareAllImages)->Arg(15)->Arg(24)->Arg(30)->Arg(64);

}  // namespace

BENCHMARK_MAIN();
