// The platform layer of qm32: the one narrow interface behind which every
// Win32 and POSIX system call lives. The portable core includes only this.
#pragma once

// Sockets: start-up and the blocking stream calls the socket class needs.
#include "platform_net.h"
