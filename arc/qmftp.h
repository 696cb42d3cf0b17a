// Internal routines of the FTP service (qmftp.cpp) that the tests reach.
#pragma once

#include <string>

// The server and port of the FTP server argument: an ftp:// URL
// ("ftp://[user@]host[:port][/path]", the path ignored) or a bare host
// ("host[:port][/path]"). The port is 21 unless the text gives one. False when
// the text names no usable server.
bool _ftpParseServer(const char *server, std::string &host, int &port);
