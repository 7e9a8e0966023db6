// A fresh folder under the temporary folder for one test, removed with
// everything in it afterwards.
#ifndef AZ_TESTS_INSTALL_SCRATCH_FOLDER_H
#define AZ_TESTS_INSTALL_SCRATCH_FOLDER_H

#include <string>

class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // `name` inside the folder.
    std::string file(const char* name) const { return path_ + "\\" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string readWholeFile(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

#endif
