#pragma once
// GET /api/backups: where the backups are kept and how the last check of this document went.
#include "http/response.h"

struct DocumentSession;

HttpResponse BackupsAnswer(DocumentSession& session);
