#include "documents/file_endpoints.h"

// The seam for the file endpoints: until they are built every /api/file/ request is not found.
HttpResponse HandleFileEndpoint(DocumentSession&, const HttpRequest&) { return ErrorResponse(404, "not_found", ""); }
