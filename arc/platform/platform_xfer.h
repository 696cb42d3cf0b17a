// File transfer part of the platform layer: temporary files, IPv4 name
// resolution and one FTP transfer (libcurl on POSIX, WinInet on Windows), for
// the FTP and mail services of the library.
#pragma once

#include <stdint.h>
#include <string>

// ---- files ------------------------------------------------------------------
// The system's temporary folder without a trailing separator: $TMPDIR (POSIX,
// when set and not empty) or /tmp; GetTempPath on Windows.
std::string plat_temp_directory();
// Creates a new, empty file with a unique name starting with `prefix` in the
// folder `dir` (empty: the temporary folder above) and puts its full path in
// `path`. On POSIX only its owner can read or write it. False when no file
// could be created there (`path` is then empty).
bool plat_create_temp_file(const std::string &dir, const char *prefix, std::string &path);
// The folder part of a path ("." when it has none).
std::string plat_folder_of(const std::string &path);
bool plat_folder_exists(const std::string &path);
// Moves `from` over `to` in one step, replacing `to` when it exists. The file
// takes the permissions a newly created `to` would have (or those of the file
// it replaces). False when it cannot be moved.
bool plat_replace_file(const std::string &from, const std::string &to);

// ---- names ------------------------------------------------------------------
// The first IPv4 address of a host name or dotted address, in network byte
// order. False when the name cannot be resolved.
bool plat_resolve_ipv4(const std::string &host, uint32_t *addr_net);

// ---- FTP --------------------------------------------------------------------
struct plat_ftp_request {
    bool put = false; // true: local file to the server; false: server to local file
    std::string host; // host name or dotted address
    int port = 21;    // control port
    std::string user; // login
    std::string password;
    std::string local;  // the local file (a get writes it whole, replacing its content)
    std::string remote; // remote name, relative to the login folder
};

// How a transfer ended.
enum plat_ftp_status {
    PLAT_FTP_DONE,          // the whole file was transferred
    PLAT_FTP_NO_SESSION,    // the internet session could not be created
    PLAT_FTP_NO_CONNECTION, // no connection or login was made, the server said nothing
    PLAT_FTP_REFUSED,       // the server refused the login; `serverText` holds its answer
    PLAT_FTP_FAILED,        // logged on, but the transfer failed
    PLAT_FTP_NOT_FOUND,     // logged on, but the server or the system found no such path
};

// One binary transfer in active mode with its own session and connection,
// both closed before the return. `serverText` gets the server's last answer
// (the reply lines without their line ends). The password goes into no URL,
// no text and no trace. A silent server makes the transfer fail after a
// time-out instead of holding the caller for ever.
plat_ftp_status plat_ftp_transfer(const plat_ftp_request &request, std::string &serverText);
