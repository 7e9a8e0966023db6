// A fresh folder under the system's temporary folder, removed with all it
// holds when the test is over.
#ifndef AZ_TESTS_SCRATCH_FOLDER_H
#define AZ_TESTS_SCRATCH_FOLDER_H

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

class ScratchFolder {
  public:
    ScratchFolder() {
        static std::atomic<int> counter{0};
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 1000; ++attempt) {
            std::filesystem::path candidate =
                base / ("azpl-" + std::to_string(stamp) + "-" + std::to_string(counter++));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                root = candidate;
                break;
            }
        }
    }
    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(root, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const { return (root / name).string(); }
    // How many files and folders it holds.
    int count() const {
        int n = 0;
        std::error_code error;
        for (auto it = std::filesystem::directory_iterator(root, error);
             it != std::filesystem::directory_iterator(); ++it)
            ++n;
        return n;
    }
    bool holds(const std::string& name) const { return std::filesystem::exists(root / name); }

    std::filesystem::path root;
};

#endif
