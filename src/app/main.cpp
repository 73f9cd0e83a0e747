// Process entry: hands the command line to the start-up sequence.
#include "app/startup.h"

int main(int argc, char** argv) { return RunFerncard(argc, argv); }
