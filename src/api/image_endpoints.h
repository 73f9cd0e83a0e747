#pragma once
// The image endpoints: upload, list, fetch and delete.
#include <string>

#include "http/request.h"
#include "http/response.h"

struct DocumentSession;

HttpResponse HandleUploadImage(DocumentSession& session, const HttpRequest& request);
HttpResponse HandleListImages(DocumentSession& session);
HttpResponse HandleGetImage(DocumentSession& session, const std::string& id);
HttpResponse HandleDeleteImage(DocumentSession& session, const std::string& id);
