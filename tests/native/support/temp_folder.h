#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it afterwards.
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("ferncard-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  // The UTF-8 path of name inside the folder.
  std::string Path(const std::string& name) const { return Utf8((path_ / std::filesystem::u8path(name)).u8string()); }
  std::string Root() const { return Utf8(path_.u8string()); }

 private:
  static std::string Utf8(const std::u8string& text) { return std::string(text.begin(), text.end()); }
  std::filesystem::path path_;
};
