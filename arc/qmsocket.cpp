// CBlockingSocket and CBlockingSocketException: blocking TCP calls through the
// network platform layer, every failure raised as an exception that carries a
// filled error record (module qmsocket).
#include "qmsocket.h"
#include "qm32int.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

const char *const kModule = "qmsocket";
const int kDefaultError = 30010;
const int kConnectRetryWaitMs = 1000;

// Copies a text into a fixed-width record field, always NUL-terminated.
void set_field(char *field, size_t width, const char *text) {
    if (text == nullptr) {
        text = "";
    }
    size_t n = strlen(text);
    if (n >= width) {
        n = width - 1;
    }
    memcpy(field, text, n);
    memset(field + n, 0, width - n);
}

} // namespace

// ---- CBlockingSocketException ----------------------------------------------

CBlockingSocketException::CBlockingSocketException(int nError, const char *pszData,
                                                   const char *pszModule, const char *pszProcedure,
                                                   int nLine)
    : m_pErr(new ERR_RECORD()) {
    // The socket layer's error is read first, before anything else can change it.
    int nSocketError = plat_net_last_error();
    if (nError == 0) {
        nError = nSocketError != 0 ? nSocketError : kDefaultError;
    }
    m_pErr->lErrorNumber = nError;
    m_pErr->ulSeverity = 16;
    m_pErr->ulErrorType = 'E';
    set_field(m_pErr->szErrorData, sizeof m_pErr->szErrorData, pszData);
    set_field(m_pErr->szModule, sizeof m_pErr->szModule, pszModule);
    set_field(m_pErr->szProcedure, sizeof m_pErr->szProcedure, pszProcedure);
    set_field(m_pErr->szSource, sizeof m_pErr->szSource, "Architecture exception.");
    set_field(m_pErr->szApplication, sizeof m_pErr->szApplication, QM32_ARCH_SECTION);
    m_pErr->ulLineNumber = nLine < 0 ? 0u : static_cast<uint32_t>(nLine);
    ERR_GetMessageText(QM32_ARCH_SECTION, nError, m_pErr->szErrorText,
                       static_cast<int>(sizeof m_pErr->szErrorText), nullptr, nullptr);
}

CBlockingSocketException::~CBlockingSocketException() {
    delete m_pErr;
}

void CBlockingSocketException::LogError() {
    ERR_LogError(m_pErr);
}

void CBlockingSocketException::DisplayMessage() {
    std::string text(m_pErr->szErrorData, strnlen(m_pErr->szErrorData, sizeof m_pErr->szErrorData));
    _qm32MessageBox(text, "QM32.DLL", PLAT_MB_OK);
}

// ---- CInetAddress ------------------------------------------------------------

bool CInetAddress::ParseDotted(const char *pszDotted, uint32_t *pAddrNet) {
    if (pszDotted == nullptr) {
        return false;
    }
    unsigned char bytes[4];
    const char *p = pszDotted;
    for (int i = 0; i < 4; ++i) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        unsigned value = 0;
        int digits = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + static_cast<unsigned>(*p - '0');
            if (++digits > 3 || value > 255) {
                return false;
            }
            ++p;
        }
        bytes[i] = static_cast<unsigned char>(value);
        if (i < 3) {
            if (*p != '.') {
                return false;
            }
            ++p;
        }
    }
    if (*p != '\0') {
        return false;
    }
    // Network byte order: the first byte of the text is the first in memory.
    memcpy(pAddrNet, bytes, 4);
    return true;
}

CInetAddress::CInetAddress(const char *pszDotted, int nPort) {
    if (!ParseDotted(pszDotted, &sin_addr)) {
        sin_addr = 0xFFFFFFFFu;
    }
    unsigned char port[2] = {static_cast<unsigned char>((nPort >> 8) & 0xFF),
                             static_cast<unsigned char>(nPort & 0xFF)};
    memcpy(&sin_port, port, 2);
}

void CInetAddress::DottedText(char *pszBuffer, size_t nSize) const {
    unsigned char b[4];
    memcpy(b, &sin_addr, 4);
    snprintf(pszBuffer, nSize, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

int CInetAddress::HostPort() const {
    unsigned char b[2];
    memcpy(b, &sin_port, 2);
    return (b[0] << 8) | b[1];
}

// ---- CBlockingSocket ---------------------------------------------------------

void CBlockingSocket::Create(int nType, long lService) {
    m_lService = lService;
    plat_socket_t s = plat_socket_create(nType);
    if (s == 0) {
        throw new CBlockingSocketException(plat_net_last_error(), "Create(SOCK_STREAM)", kModule,
                                           "Create()", __LINE__);
    }
    m_hSocket = s;
}

void CBlockingSocket::SetTimeout(int nSeconds) {
    m_nTimeout = nSeconds;
    // Milliseconds, kept within the range of the platform's int.
    int ms = nSeconds <= 0 ? 0 : nSeconds >= 2147483 ? 2147483647 : nSeconds * 1000;
    if (plat_socket_set_recv_timeout(m_hSocket, ms) != 0) {
        throw new CBlockingSocketException(plat_net_last_error(), "SetTimeout()", kModule,
                                           "SetTimeout()", __LINE__);
    }
}

void CBlockingSocket::Connect(const CInetAddress &addr) {
    if (plat_socket_connect(m_hSocket, addr.sin_port, addr.sin_addr) == 0) {
        return;
    }
    int nFirstError = plat_net_last_error();
    std::this_thread::sleep_for(std::chrono::milliseconds(kConnectRetryWaitMs));
    if (nFirstError == PLAT_WSAETIMEDOUT &&
        plat_socket_connect(m_hSocket, addr.sin_port, addr.sin_addr) == 0) {
        return;
    }
    char dotted[16];
    addr.DottedText(dotted, sizeof dotted);
    char data[96];
    snprintf(data, sizeof data, "Error connecting to IP address %s port %d.", dotted,
             addr.HostPort());
    throw new CBlockingSocketException(nFirstError, data, kModule, "Connect()", __LINE__);
}

int CBlockingSocket::Send(const char *pBuffer, int nLength) {
    int n = plat_socket_send(m_hSocket, pBuffer, nLength);
    if (n < 0) {
        throw new CBlockingSocketException(plat_net_last_error(), "Error sending", kModule,
                                           "Send()", __LINE__);
    }
    return n;
}

int CBlockingSocket::Write(const char *pBuffer, int nLength) {
    int nSent = 0;
    while (nSent < nLength) {
        int n = Send(pBuffer + nSent, nLength - nSent);
        if (n <= 0) {
            // A stream socket that accepts nothing of a non-empty buffer has
            // failed; going round again would never end.
            throw new CBlockingSocketException(0, "Error sending", kModule, "Send()", __LINE__);
        }
        nSent += n;
    }
    return nLength;
}

int CBlockingSocket::Receive(char *pBuffer, int nLength) {
    int n = plat_socket_recv(m_hSocket, pBuffer, nLength);
    if (n < 0) {
        int nError = plat_net_last_error();
        char data[96];
        if (nError == PLAT_WSAETIMEDOUT) {
            snprintf(data, sizeof data, "Time-out from service %ld, waited %d seconds", m_lService,
                     m_nTimeout);
        } else {
            snprintf(data, sizeof data, "Error receiving data from service %ld.", m_lService);
        }
        throw new CBlockingSocketException(nError, data, kModule, "Receive()", __LINE__);
    }
    return n;
}

void CBlockingSocket::Close() {
    if (plat_socket_close(m_hSocket) != 0) {
        throw new CBlockingSocketException(plat_net_last_error(), "Close()", kModule, "Close()",
                                           __LINE__);
    }
    m_hSocket = 0;
}
