// Windows implementation of the network platform layer (platform_net.h):
// Windows Sockets 2. The last error is kept per thread by these calls so that
// a successful call always leaves 0 behind, as on POSIX.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "../platform_net.h"

namespace {

thread_local int t_lastError = 0;

int fail() {
    t_lastError = WSAGetLastError();
    return -1;
}

int ok(int result) {
    t_lastError = 0;
    return result;
}

SOCKET sock_of(plat_socket_t s) {
    return s == 0 ? INVALID_SOCKET : static_cast<SOCKET>(s);
}

} // namespace

int plat_net_startup(int *major, int *minor) {
    WSADATA data;
    int rc = WSAStartup(MAKEWORD(2, 0), &data);
    if (rc != 0) {
        return rc;
    }
    if (major) {
        *major = LOBYTE(data.wVersion);
    }
    if (minor) {
        *minor = HIBYTE(data.wVersion);
    }
    return 0;
}

int plat_net_cleanup(void) {
    return WSACleanup() == 0 ? 0 : WSAGetLastError();
}

int plat_net_last_error(void) {
    return t_lastError;
}

plat_socket_t plat_socket_create(int type) {
    int sysType = type == PLAT_SOCK_DGRAM    ? SOCK_DGRAM
                  : type == PLAT_SOCK_STREAM ? SOCK_STREAM
                                             : -1;
    if (sysType < 0) {
        t_lastError = WSAESOCKTNOSUPPORT;
        return 0;
    }
    SOCKET s = socket(AF_INET, sysType, 0);
    if (s == INVALID_SOCKET) {
        fail();
        return 0;
    }
    t_lastError = 0;
    return static_cast<plat_socket_t>(s);
}

int plat_socket_set_recv_timeout(plat_socket_t s, int milliseconds) {
    DWORD ms = milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds);
    if (setsockopt(sock_of(s), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&ms),
                   sizeof ms) != 0) {
        return fail();
    }
    return ok(0);
}

int plat_socket_connect(plat_socket_t s, uint16_t port_net, uint32_t addr_net) {
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = port_net;
    sa.sin_addr.s_addr = addr_net;
    if (connect(sock_of(s), reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
        return fail();
    }
    return ok(0);
}

int plat_socket_send(plat_socket_t s, const void *buffer, int length) {
    if (length < 0) {
        t_lastError = WSAEINVAL;
        return -1;
    }
    int n = send(sock_of(s), static_cast<const char *>(buffer), length, 0);
    if (n == SOCKET_ERROR) {
        return fail();
    }
    return ok(n);
}

int plat_socket_recv(plat_socket_t s, void *buffer, int length) {
    if (length < 0) {
        t_lastError = WSAEINVAL;
        return -1;
    }
    int n = recv(sock_of(s), static_cast<char *>(buffer), length, 0);
    if (n == SOCKET_ERROR) {
        return fail();
    }
    return ok(n);
}

int plat_socket_close(plat_socket_t s) {
    if (closesocket(sock_of(s)) != 0) {
        return fail();
    }
    return ok(0);
}

int plat_socket_listen(plat_socket_t s, uint32_t addr_net, int port, int backlog) {
    SOCKET sock = sock_of(s);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<u_short>(port));
    sa.sin_addr.s_addr = addr_net;
    if (bind(sock, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
        return fail();
    }
    if (listen(sock, backlog) != 0) {
        return fail();
    }
    int len = sizeof sa;
    if (getsockname(sock, reinterpret_cast<sockaddr *>(&sa), &len) != 0) {
        return fail();
    }
    return ok(ntohs(sa.sin_port));
}

plat_socket_t plat_socket_accept(plat_socket_t s) {
    SOCKET c = accept(sock_of(s), nullptr, nullptr);
    if (c == INVALID_SOCKET) {
        fail();
        return 0;
    }
    t_lastError = 0;
    return static_cast<plat_socket_t>(c);
}

int plat_socket_shutdown_send(plat_socket_t s) {
    if (shutdown(sock_of(s), SD_SEND) != 0) {
        return fail();
    }
    return ok(0);
}
