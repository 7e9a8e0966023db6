// A fresh folder under the system's temporary folder for one test, removed
// with everything in it when the test ends.
#ifndef AZPACK_TESTS_TEST_FOLDER_H
#define AZPACK_TESTS_TEST_FOLDER_H

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class TestFolder {
  public:
    TestFolder() {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string leaf = std::string("azpack-") + info->test_suite_name() + "-" + info->name() +
                           "-" + std::to_string(counter()++);
        path_ = std::filesystem::temp_directory_path() / leaf;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    std::filesystem::path write(const std::string& relative, const std::string& bytes) const {
        std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

    static std::string read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

  private:
    static int& counter() {
        static int value = 0;
        return value;
    }
    std::filesystem::path path_;
};

// Deterministic bytes that compress a little: words with a varying tail.
inline std::string sampleBytes(size_t size, unsigned seed) {
    std::string out;
    out.reserve(size);
    unsigned state = seed * 2654435761u + 1;
    while (out.size() < size) {
        state = state * 1103515245u + 12345u;
        if ((state >> 16) % 4 == 0) {
            out.push_back(static_cast<char>(state >> 8));
        } else {
            static const char* const words[] = {"payload ", "chunk ", "zlib ", "entry ", "page "};
            out += words[(state >> 20) % 5];
        }
    }
    out.resize(size);
    return out;
}

#endif
