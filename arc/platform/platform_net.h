// Network part of the platform layer: socket start-up and the blocking TCP
// calls behind CBlockingSocket, with Windows Sockets error numbers (10060
// time-out, 10061 refused, ...) on every platform.
#pragma once

#include <stdint.h>

// A socket handle; 0 means "no socket". On POSIX the value is the file
// descriptor plus one, so descriptor 0 stays a valid socket.
typedef uintptr_t plat_socket_t;

// Socket types accepted by plat_socket_create (the values of SOCK_STREAM and
// SOCK_DGRAM on both systems).
enum { PLAT_SOCK_STREAM = 1, PLAT_SOCK_DGRAM = 2 };
// Address family of an IPv4 socket address.
enum { PLAT_AF_INET = 2 };

// Windows Sockets error numbers used by the library.
enum {
    PLAT_WSAEINTR = 10004,
    PLAT_WSAEBADF = 10009,
    PLAT_WSAEACCES = 10013,
    PLAT_WSAEFAULT = 10014,
    PLAT_WSAEINVAL = 10022,
    PLAT_WSAEMFILE = 10024,
    PLAT_WSAEWOULDBLOCK = 10035,
    PLAT_WSAEINPROGRESS = 10036,
    PLAT_WSAEALREADY = 10037,
    PLAT_WSAENOTSOCK = 10038,
    PLAT_WSAEDESTADDRREQ = 10039,
    PLAT_WSAEMSGSIZE = 10040,
    PLAT_WSAEPROTOTYPE = 10041,
    PLAT_WSAENOPROTOOPT = 10042,
    PLAT_WSAEPROTONOSUPPORT = 10043,
    PLAT_WSAESOCKTNOSUPPORT = 10044,
    PLAT_WSAEOPNOTSUPP = 10045,
    PLAT_WSAEAFNOSUPPORT = 10047,
    PLAT_WSAEADDRINUSE = 10048,
    PLAT_WSAEADDRNOTAVAIL = 10049,
    PLAT_WSAENETDOWN = 10050,
    PLAT_WSAENETUNREACH = 10051,
    PLAT_WSAENETRESET = 10052,
    PLAT_WSAECONNABORTED = 10053,
    PLAT_WSAECONNRESET = 10054,
    PLAT_WSAENOBUFS = 10055,
    PLAT_WSAEISCONN = 10056,
    PLAT_WSAENOTCONN = 10057,
    PLAT_WSAESHUTDOWN = 10058,
    PLAT_WSAETIMEDOUT = 10060,
    PLAT_WSAECONNREFUSED = 10061,
    PLAT_WSAEHOSTDOWN = 10064,
    PLAT_WSAEHOSTUNREACH = 10065,
    PLAT_WSANOTINITIALISED = 10093
};

// Starts the socket layer, asking for version 2.0. Returns 0 on success and
// stores the version obtained in *major and *minor (either may be null);
// otherwise returns the start-up error code. The library start-up calls it
// once per process (POSIX: always succeeds with 2.0).
int plat_net_startup(int *major, int *minor);

// Shuts the socket layer down; 0 on success, else the error code.
int plat_net_cleanup(void);

// The socket layer's last error on this thread: set by every plat_socket_*
// call below, 0 after a call that succeeded.
int plat_net_last_error(void);

// Opens an Internet-family socket of the given PLAT_SOCK_* type; 0 on failure.
plat_socket_t plat_socket_create(int type);

// Sets the receive time-out in milliseconds (0: wait for ever); 0 or -1.
int plat_socket_set_recv_timeout(plat_socket_t s, int milliseconds);

// Connects to an IPv4 address; port and address in network byte order. 0 or -1.
int plat_socket_connect(plat_socket_t s, uint16_t port_net, uint32_t addr_net);

// One send call: the bytes sent, or -1. Never raises a signal when the peer
// has gone; an interrupted call is repeated.
int plat_socket_send(plat_socket_t s, const void *buffer, int length);

// One receive call: the bytes received, 0 when the peer has closed, or -1
// (a receive time-out reports PLAT_WSAETIMEDOUT).
int plat_socket_recv(plat_socket_t s, void *buffer, int length);

// Closes the socket; 0 or -1.
int plat_socket_close(plat_socket_t s);

// Server side, for the loopback tests and the reference host: binds the
// socket to the IPv4 address (network order, e.g. 127.0.0.1) and port (host
// order, 0 for a free one) with address reuse, listens, and returns the bound
// port in host order, or -1.
int plat_socket_listen(plat_socket_t s, uint32_t addr_net, int port, int backlog);

// Accepts one connection on a listening socket; 0 on failure.
plat_socket_t plat_socket_accept(plat_socket_t s);

// Shuts down the sending direction of a connected socket; 0 or -1.
int plat_socket_shutdown_send(plat_socket_t s);
