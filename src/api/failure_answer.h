#pragma once
// The one place where a failed operation of the open document becomes an answer: its code decides
// the HTTP status and the error code, the message comes from the catalogue, the cause goes to the log.
#include "http/response.h"
#include "util/status.h"

HttpResponse FailureAnswer(const Status& status);
