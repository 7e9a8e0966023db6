#include "write/progress_meter.h"

#include <cstdio>

namespace azpack {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(200);

double megabytes(uint64_t bytes) {
    return static_cast<double>(bytes) / 1e6;
}

}  // namespace

ProgressMeter::ProgressMeter(uint64_t totalFiles, uint64_t totalBytes, bool enabled)
    : totalFiles_(totalFiles),
      totalBytes_(totalBytes),
      enabled_(enabled),
      start_(Clock::now()),
      lastShown_(start_) {}

void ProgressMeter::addBytes(uint64_t bytes) {
    bytes_ += bytes;
    show(false);
}

void ProgressMeter::addFile() {
    ++files_;
    show(false);
}

void ProgressMeter::show(bool force) {
    if (!enabled_)
        return;
    Clock::time_point now = Clock::now();
    if (!force && (now - start_ < kQuietStart || now - lastShown_ < kRedrawEvery))
        return;
    lastShown_ = now;
    double seconds = std::chrono::duration<double>(now - start_).count();
    double rate = seconds > 0 ? megabytes(bytes_) / seconds : 0.0;
    std::fprintf(stderr, "\razpack: %llu/%llu files, %.1f/%.1f MB, %.1f MB/s   ",
                 static_cast<unsigned long long>(files_),
                 static_cast<unsigned long long>(totalFiles_), megabytes(bytes_),
                 megabytes(totalBytes_), rate);
    std::fflush(stderr);
    shown_ = true;
}

void ProgressMeter::finish() {
    if (!shown_)
        return;
    show(true);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    shown_ = false;
    enabled_ = false;
}

}  // namespace azpack
