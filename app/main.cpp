// tavlin: decodes captured infrared remote-control signals.
#include "app/run.h"

int main(int argc, char** argv) { return run_tavlin(argc, argv); }
