#pragma once
// One consistent read of the tree and every page body, for whole-document searches.
#include <functional>
#include <string>
#include <string_view>

#include "store/document_file.h"

// Called once per stored page, inside the read; the views live only for the call.
using PageVisitor = std::function<void(std::string_view id, std::string_view body)>;

// Reads the tree (empty when none is stored) and then visits every page, all in one read
// transaction under the document's lock, so no write lands between the two.
StoreResult ScanPages(DocumentFile& document, std::string& tree, const PageVisitor& visit);
