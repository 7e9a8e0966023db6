// Progress of a long build on a terminal: files, bytes and rate on one line
// of standard error, redrawn a few times a second. Silent when standard error
// is not a terminal, and for builds that end within a second.
#ifndef AZPACK_PROGRESS_METER_H
#define AZPACK_PROGRESS_METER_H

#include <chrono>
#include <cstdint>

namespace azpack {

class ProgressMeter {
  public:
    ProgressMeter(uint64_t totalFiles, uint64_t totalBytes, bool enabled);
    ~ProgressMeter() { finish(); }
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    void addBytes(uint64_t bytes);
    void addFile();
    // Clears the line; harmless twice.
    void finish();

  private:
    void show(bool force);

    uint64_t totalFiles_;
    uint64_t totalBytes_;
    uint64_t files_ = 0;
    uint64_t bytes_ = 0;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastShown_;
};

}  // namespace azpack

#endif
