#include "http/assets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "platform/resources.h"

namespace {

// The source folder's web/, named by the build.
const std::filesystem::path kWebFolder = std::filesystem::u8path(FERNCARD_TEST_WEB_DIR);

std::string ReadSource(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

HttpResponse Get(const std::string& path) {
  HttpRequest request;
  request.method = "GET";
  request.path = path;
  return ServeAsset(request);
}

}  // namespace

TEST(Assets, EveryFileOfTheClientIsServedByteForByteWithTheTypeOfItsKind) {
  std::set<std::string> served;
  for (const AssetEntry& asset : AssetTable()) served.insert(std::string(asset.path));
  const std::map<std::string, std::string> types = {
      {".html", "text/html; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},
      {".js", "text/javascript; charset=utf-8"},
      {".png", "image/png"},
      {".txt", "text/plain; charset=utf-8"},
  };
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(kWebFolder)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const std::string relative = entry.path().lexically_relative(kWebFolder).generic_string();  // the names are ASCII
    const std::string path = relative == "index.html" ? "/" : "/" + relative;
    const HttpResponse response = Get(path);
    EXPECT_EQ(response.status, 200) << path;
    EXPECT_EQ(response.body, ReadSource(entry.path())) << path;
    EXPECT_TRUE(response.headers.empty()) << path;
    EXPECT_EQ(response.contentType, types.at(entry.path().extension().string())) << path;
  }
  EXPECT_EQ(served.size(), files);
}

TEST(Assets, OnlyExactPathsMatch) {
  for (const char* path : {"/index.html", "/assets/js/APP.js", "/assets/js/app.js/", "", "/assets/",
                           "/assets/js/../js/app.js", "/assets%2Fjs%2Fapp.js", "//"}) {
    const HttpResponse response = Get(path);
    EXPECT_EQ(response.status, 404) << path;
    EXPECT_EQ(response.body, "{\"error\":\"not_found\",\"message\":\"\"}") << path;
  }
  EXPECT_EQ(platform::FindEmbeddedResource(0).data(), nullptr);
}
