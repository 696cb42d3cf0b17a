// Internal routines of the mail service (qmmail.cpp) that the tests reach.
#pragma once

#include <ctime>
#include <string>

// The text of a mail's Date line for `when`: UTC, "%d %b %y %H:%M:%S" with
// English month names whatever the locale ("07 Dec 26 17:05:09").
std::string _mailDateText(std::time_t when);
