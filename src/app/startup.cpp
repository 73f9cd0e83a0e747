#include "app/startup.h"

int RunFerncard(int, char**) { return 0; }
