#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "http/assets.h"
#include "platform/resources.h"

namespace {

const std::filesystem::path kWebFolder = std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "web";

std::string ReadSource(const std::string& requestPath) {
  const std::string relative = requestPath == "/" ? "index.html" : requestPath.substr(1);
  std::ifstream in(kWebFolder / relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

HttpResponse Get(const std::string& path) {
  HttpRequest request;
  request.method = "GET";
  request.path = path;
  return ServeAsset(request);
}

}  // namespace

TEST(Assets, EveryRowAnswersItsFileByteForByteWithItsType) {
  std::set<int> identifiers;
  for (const AssetEntry& asset : AssetTable()) {
    const std::string path(asset.path);
    const HttpResponse response = Get(path);
    EXPECT_EQ(response.status, 200) << path;
    EXPECT_EQ(response.contentType, asset.contentType) << path;
    EXPECT_EQ(response.body, ReadSource(path)) << path;
    EXPECT_TRUE(response.headers.empty()) << path;
    EXPECT_TRUE(identifiers.insert(asset.resourceId).second) << "identifier used twice: " << asset.resourceId;
  }
  EXPECT_EQ(identifiers.size(), 13u);
}

TEST(Assets, ThePageAndTheIconHaveTheirTypes) {
  EXPECT_EQ(Get("/").contentType, "text/html; charset=utf-8");
  const HttpResponse icon = Get("/assets/favicon.png");
  EXPECT_EQ(icon.contentType, "image/png");
  ASSERT_GE(icon.body.size(), 8u);
  EXPECT_EQ(icon.body.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(Get("/assets/js/tree.js").contentType, "text/javascript; charset=utf-8");
  EXPECT_EQ(Get("/assets/css/app.css").contentType, "text/css; charset=utf-8");
}

TEST(Assets, OnlyExactPathsMatch) {
  for (const char* path : {"/index.html", "/assets/js/APP.js", "/assets/js/app.js/", "", "/assets/",
                           "/assets/js/../js/app.js", "/assets%2Fjs%2Fapp.js", "//"}) {
    const HttpResponse response = Get(path);
    EXPECT_EQ(response.status, 404) << path;
    EXPECT_EQ(response.body, "{\"error\":\"not_found\",\"message\":\"\"}") << path;
  }
}

TEST(Assets, AnUnknownResourceIsMissing) {
  EXPECT_EQ(platform::FindEmbeddedResource(207).data(), nullptr);
  EXPECT_EQ(platform::FindEmbeddedResource(0).data(), nullptr);
}
