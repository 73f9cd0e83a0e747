#pragma once
// The endpoints the router answers itself: status, recent files, showing the document's folder.
#include "http/response.h"

struct DocumentSession;

HttpResponse StatusAnswer(DocumentSession& session);
HttpResponse RecentAnswer(DocumentSession& session);
HttpResponse OpenDataFolder(DocumentSession& session);
