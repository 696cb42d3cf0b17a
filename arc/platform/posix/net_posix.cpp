// POSIX implementation of the network platform layer (platform_net.h):
// BSD sockets with errno mapped to the Windows Sockets error numbers that the
// rest of the library reports and tests against.
#include "../platform_net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

thread_local int t_lastError = 0;

// The Windows Sockets number of a POSIX error; unknown errors keep their value.
int map_errno(int e) {
    switch (e) {
    case 0:
        return 0;
    case EINTR:
        return PLAT_WSAEINTR;
    case EBADF:
    case ENOTSOCK:
        return PLAT_WSAENOTSOCK;
    case EACCES:
    case EPERM:
        return PLAT_WSAEACCES;
    case EFAULT:
        return PLAT_WSAEFAULT;
    case EINVAL:
        return PLAT_WSAEINVAL;
    case EMFILE:
    case ENFILE:
        return PLAT_WSAEMFILE;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK:
        return PLAT_WSAEWOULDBLOCK;
    case EINPROGRESS:
        return PLAT_WSAEINPROGRESS;
    case EALREADY:
        return PLAT_WSAEALREADY;
    case EDESTADDRREQ:
        return PLAT_WSAEDESTADDRREQ;
    case EMSGSIZE:
        return PLAT_WSAEMSGSIZE;
    case EPROTOTYPE:
        return PLAT_WSAEPROTOTYPE;
    case ENOPROTOOPT:
        return PLAT_WSAENOPROTOOPT;
    case EPROTONOSUPPORT:
        return PLAT_WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT:
        return PLAT_WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP:
        return PLAT_WSAEOPNOTSUPP;
    case EAFNOSUPPORT:
        return PLAT_WSAEAFNOSUPPORT;
    case EADDRINUSE:
        return PLAT_WSAEADDRINUSE;
    case EADDRNOTAVAIL:
        return PLAT_WSAEADDRNOTAVAIL;
    case ENETDOWN:
        return PLAT_WSAENETDOWN;
    case ENETUNREACH:
        return PLAT_WSAENETUNREACH;
    case ENETRESET:
        return PLAT_WSAENETRESET;
    case ECONNABORTED:
        return PLAT_WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE:
        return PLAT_WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM:
        return PLAT_WSAENOBUFS;
    case EISCONN:
        return PLAT_WSAEISCONN;
    case ENOTCONN:
        return PLAT_WSAENOTCONN;
    case ESHUTDOWN:
        return PLAT_WSAESHUTDOWN;
    case ETIMEDOUT:
        return PLAT_WSAETIMEDOUT;
    case ECONNREFUSED:
        return PLAT_WSAECONNREFUSED;
    case EHOSTDOWN:
        return PLAT_WSAEHOSTDOWN;
    case EHOSTUNREACH:
        return PLAT_WSAEHOSTUNREACH;
    default:
        return e;
    }
}

int fail() {
    t_lastError = map_errno(errno);
    return -1;
}

int ok(int result) {
    t_lastError = 0;
    return result;
}

// Handles carry the descriptor plus one; 0 and out-of-range values map to -1.
int fd_of(plat_socket_t s) {
    if (s == 0 || s > static_cast<plat_socket_t>(INT32_MAX)) {
        return -1;
    }
    return static_cast<int>(s - 1);
}

} // namespace

int plat_net_startup(int *major, int *minor) {
    if (major) {
        *major = 2;
    }
    if (minor) {
        *minor = 0;
    }
    return 0;
}

int plat_net_cleanup(void) {
    return 0;
}

int plat_net_last_error(void) {
    return t_lastError;
}

plat_socket_t plat_socket_create(int type) {
    int sysType = type == PLAT_SOCK_DGRAM    ? SOCK_DGRAM
                  : type == PLAT_SOCK_STREAM ? SOCK_STREAM
                                             : -1;
    if (sysType < 0) {
        t_lastError = PLAT_WSAESOCKTNOSUPPORT;
        return 0;
    }
    int fd = socket(AF_INET, sysType | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        fail();
        return 0;
    }
    t_lastError = 0;
    return static_cast<plat_socket_t>(fd) + 1;
}

int plat_socket_set_recv_timeout(plat_socket_t s, int milliseconds) {
    struct timeval tv;
    if (milliseconds < 0) {
        milliseconds = 0;
    }
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = (milliseconds % 1000) * 1000;
    if (setsockopt(fd_of(s), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) {
        return fail();
    }
    return ok(0);
}

int plat_socket_connect(plat_socket_t s, uint16_t port_net, uint32_t addr_net) {
    struct sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = port_net;
    sa.sin_addr.s_addr = addr_net;
    if (connect(fd_of(s), reinterpret_cast<struct sockaddr *>(&sa), sizeof sa) != 0) {
        return fail();
    }
    return ok(0);
}

int plat_socket_send(plat_socket_t s, const void *buffer, int length) {
    if (length < 0) {
        t_lastError = PLAT_WSAEINVAL;
        return -1;
    }
    for (;;) {
        ssize_t n = send(fd_of(s), buffer, static_cast<size_t>(length), MSG_NOSIGNAL);
        if (n >= 0) {
            return ok(static_cast<int>(n));
        }
        if (errno != EINTR) {
            return fail();
        }
    }
}

int plat_socket_recv(plat_socket_t s, void *buffer, int length) {
    if (length < 0) {
        t_lastError = PLAT_WSAEINVAL;
        return -1;
    }
    for (;;) {
        ssize_t n = recv(fd_of(s), buffer, static_cast<size_t>(length), 0);
        if (n >= 0) {
            return ok(static_cast<int>(n));
        }
        if (errno == EINTR) {
            continue;
        }
        // A blocking socket whose receive time-out expired reports EAGAIN;
        // Windows reports the time-out error for the same event.
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            t_lastError = PLAT_WSAETIMEDOUT;
            return -1;
        }
        return fail();
    }
}

int plat_socket_close(plat_socket_t s) {
    int fd = fd_of(s);
    if (fd < 0) {
        t_lastError = PLAT_WSAENOTSOCK;
        return -1;
    }
    // close() releases the descriptor even when it reports EINTR: never retry.
    if (close(fd) != 0 && errno != EINTR) {
        return fail();
    }
    return ok(0);
}

int plat_socket_listen(plat_socket_t s, uint32_t addr_net, int port, int backlog) {
    int fd = fd_of(s);
    int one = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) {
        return fail();
    }
    struct sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = addr_net;
    if (bind(fd, reinterpret_cast<struct sockaddr *>(&sa), sizeof sa) != 0) {
        return fail();
    }
    if (listen(fd, backlog) != 0) {
        return fail();
    }
    socklen_t len = sizeof sa;
    if (getsockname(fd, reinterpret_cast<struct sockaddr *>(&sa), &len) != 0) {
        return fail();
    }
    return ok(ntohs(sa.sin_port));
}

plat_socket_t plat_socket_accept(plat_socket_t s) {
    for (;;) {
        int fd = accept4(fd_of(s), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            t_lastError = 0;
            return static_cast<plat_socket_t>(fd) + 1;
        }
        if (errno != EINTR) {
            fail();
            return 0;
        }
    }
}

int plat_socket_shutdown_send(plat_socket_t s) {
    if (shutdown(fd_of(s), SHUT_WR) != 0) {
        return fail();
    }
    return ok(0);
}
