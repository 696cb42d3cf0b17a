// Start-up, configuration, error log and message lookup of the qm32 library.
#include "qm32.h"
