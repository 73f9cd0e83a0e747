#pragma once
// The image endpoints: upload, list, fetch and delete.
#include <cstddef>
#include <string>

#include "http/request.h"
#include "http/response.h"
#include "store/document_file.h"

constexpr std::size_t kMaxImageBytes = 20971520;  // 20 MiB, inclusive

HttpResponse HandleUploadImage(DocumentFile& document, const HttpRequest& request);
HttpResponse HandleListImages(DocumentFile& document);
HttpResponse HandleGetImage(DocumentFile& document, const std::string& id);
HttpResponse HandleDeleteImage(DocumentFile& document, const std::string& id);
