#pragma once
// New documents, copies and temporary files beside their targets.
#include <string>

#include "store/document_file.h"

std::string MakeTempPath(const std::string& targetPath);
bool CreateStoreFile(const std::string& targetPath);
bool CopyStoreFile(DocumentFile& document, const std::string& targetPath);
bool ReadWholeFile(const std::string& path, std::string& bytes);
