#include <gtest/gtest.h>

#include "api/api_routes.h"

namespace {

const std::string kPage = "0f8fad5b-d9cb-469f-a165-70867728950e";
const std::string kImage = "0123456789abcdef0123456789abcdef";

ApiEndpoint Route(std::string_view method, const std::string& path) { return RouteApiRequest(method, path).endpoint; }

}  // namespace

TEST(ApiRoutes, OnlyFourMethodsAreKnownAndTheyAreCaseSensitive) {
  for (const char* method : {"PATCH", "HEAD", "OPTIONS", "get", "Get", "TRACE", ""}) {
    EXPECT_EQ(Route(method, "/api/tree"), ApiEndpoint::MethodNotAllowed) << method;
    EXPECT_EQ(Route(method, "/api/no-such-thing"), ApiEndpoint::MethodNotAllowed) << method;
    EXPECT_EQ(Route(method, "/api/pages/NOT-AN-ID"), ApiEndpoint::MethodNotAllowed) << method;
  }
}

TEST(ApiRoutes, StatusAndRecentMatchOnlyGet) {
  EXPECT_EQ(Route("GET", "/api/status"), ApiEndpoint::Status);
  EXPECT_EQ(Route("GET", "/api/recent"), ApiEndpoint::Recent);
  EXPECT_EQ(Route("POST", "/api/status"), ApiEndpoint::NotFound);
  EXPECT_EQ(Route("PUT", "/api/recent"), ApiEndpoint::NotFound);
  EXPECT_EQ(Route("GET", "/api/status/"), ApiEndpoint::NotFound);
  EXPECT_EQ(Route("GET", "/api/Status"), ApiEndpoint::NotFound);
}

TEST(ApiRoutes, FileEndpointsTakeEveryKnownMethod) {
  for (const char* method : {"GET", "PUT", "POST", "DELETE"}) {
    EXPECT_EQ(Route(method, "/api/file/open"), ApiEndpoint::File);
    EXPECT_EQ(Route(method, "/api/file/"), ApiEndpoint::File);
  }
  EXPECT_EQ(Route("POST", "/api/file"), ApiEndpoint::NotFound);
}

TEST(ApiRoutes, OpenDataFolderIsPostOnly) {
  EXPECT_EQ(Route("POST", "/api/open-data-folder"), ApiEndpoint::OpenDataFolder);
  EXPECT_EQ(Route("GET", "/api/open-data-folder"), ApiEndpoint::MethodNotAllowed);
  EXPECT_EQ(Route("DELETE", "/api/open-data-folder"), ApiEndpoint::MethodNotAllowed);
}

TEST(ApiRoutes, TreeTakesGetAndPut) {
  EXPECT_EQ(Route("GET", "/api/tree"), ApiEndpoint::GetTree);
  EXPECT_EQ(Route("PUT", "/api/tree"), ApiEndpoint::PutTree);
  EXPECT_EQ(Route("POST", "/api/tree"), ApiEndpoint::MethodNotAllowed);
  EXPECT_EQ(Route("DELETE", "/api/tree"), ApiEndpoint::MethodNotAllowed);
}

TEST(ApiRoutes, PagesCarryTheirIdentifierAndRefuseBadShapesBeforeTheMethod) {
  const ApiRoute route = RouteApiRequest("PUT", "/api/pages/" + kPage);
  EXPECT_EQ(route.endpoint, ApiEndpoint::PutPage);
  EXPECT_EQ(route.id, kPage);
  EXPECT_EQ(Route("GET", "/api/pages/" + kPage), ApiEndpoint::GetPage);
  EXPECT_EQ(Route("DELETE", "/api/pages/" + kPage), ApiEndpoint::DeletePage);
  EXPECT_EQ(Route("POST", "/api/pages/" + kPage), ApiEndpoint::MethodNotAllowed);

  std::string upper = kPage;
  upper[0] = 'F';
  upper[8 - 1] = 'B';
  for (const std::string& bad : {upper, std::string(), kPage + "/", kPage.substr(1), std::string("../tree")}) {
    EXPECT_EQ(Route("GET", "/api/pages/" + bad), ApiEndpoint::NotFound) << bad;
    EXPECT_EQ(Route("POST", "/api/pages/" + bad), ApiEndpoint::NotFound) << bad;
  }
}

TEST(ApiRoutes, ImagesListUploadFetchDelete) {
  EXPECT_EQ(Route("GET", "/api/images"), ApiEndpoint::ListImages);
  EXPECT_EQ(Route("POST", "/api/images"), ApiEndpoint::UploadImage);
  EXPECT_EQ(Route("PUT", "/api/images"), ApiEndpoint::MethodNotAllowed);
  const ApiRoute route = RouteApiRequest("GET", "/api/images/" + kImage);
  EXPECT_EQ(route.endpoint, ApiEndpoint::GetImage);
  EXPECT_EQ(route.id, kImage);
  EXPECT_EQ(Route("DELETE", "/api/images/" + kImage), ApiEndpoint::DeleteImage);
  EXPECT_EQ(Route("PUT", "/api/images/" + kImage), ApiEndpoint::MethodNotAllowed);
  EXPECT_EQ(Route("DELETE", "/api/images/" + kImage.substr(1)), ApiEndpoint::NotFound);
  EXPECT_EQ(Route("GET", "/api/images/0123456789ABCDEF0123456789abcdef"), ApiEndpoint::NotFound);
  EXPECT_EQ(Route("POST", "/api/images/"), ApiEndpoint::NotFound);
}

TEST(ApiRoutes, EverythingElseIsNotFound) {
  EXPECT_EQ(Route("GET", "/api/"), ApiEndpoint::NotFound);
  EXPECT_EQ(Route("GET", "/api/trees"), ApiEndpoint::NotFound);
  EXPECT_EQ(Route("DELETE", "/api/pages"), ApiEndpoint::NotFound);
}
