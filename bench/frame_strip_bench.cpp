// Cutting a 100-frame skin, and the cost of one frame change.
#include <benchmark/benchmark.h>

#include "taskicon/task_icon.h"
#include "testing/fake_system.h"
#include "testing/memory_pixels.h"
#include "testing/recording_shell.h"

namespace {

struct Seams {
    Seams() {
        SetPixels(&pixels);
        SetShell(&shell);
        SetSystem(&system);
        image.width = 1600;
        image.height = 16;
        image.pixels.resize(1600 * 16);
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            image.pixels[i] = i % 7 == 0 ? Rgb(0, 128, 128) : Rgb(0, 255, 0);
        }
        bitmap = pixels.AddBitmap(image);
    }
    MemoryPixels pixels;
    RecordingShell shell;
    FakeSystem system;
    bmp::Image image;
    BitmapHandle bitmap = 0;
};

void CutHundredFrameStrip(benchmark::State& state) {
    Seams seams;
    CTaskIcon icon;
    for (auto _ : state) {
        benchmark::DoNotOptimize(icon.SetFrames(seams.bitmap));
    }
    state.counters["frames"] = icon.GetFrameCount();
}
BENCHMARK(CutHundredFrameStrip);

void MakeOneFrameIcon(benchmark::State& state) {
    Seams seams;
    CTaskIcon icon;
    icon.SetFrames(seams.bitmap);
    int frame = 0;
    for (auto _ : state) {
        const IconHandle made = icon.GetFrameIcon(frame);
        benchmark::DoNotOptimize(made);
        seams.pixels.DestroyIcon(made);
        frame = (frame + 1) % 100;
    }
}
BENCHMARK(MakeOneFrameIcon);

// One tick's frame change on the notification icon: one icon made, one destroyed.
void ShowFrameOnNotificationIcon(benchmark::State& state) {
    Seams seams;
    CTaskIcon icon;
    icon.SetFrames(seams.bitmap);
    RegisterTaskIconMessage();
    icon.Add(1, 0, 0xFFFFFFFFu);
    int frame = 0;
    for (auto _ : state) {
        icon.ShowFrameIcon(frame);
        frame = (frame + 1) % 100;
        seams.shell.m_calls.clear();
    }
    state.counters["live_icons"] = static_cast<double>(seams.pixels.LiveIcons());
}
BENCHMARK(ShowFrameOnNotificationIcon);

}  // namespace
