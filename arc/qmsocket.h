// CBlockingSocket, the library's thin blocking TCP client, and
// CBlockingSocketException, the exception that carries a complete error
// record and in which codec, socket and service failures are raised.
#pragma once

#include "qm32.h"
#include "platform/platform_net.h"

#include <stdint.h>

// Raised by pointer (throw new CBlockingSocketException(...)) and caught as
// CBlockingSocketException *; the catcher deletes it.
class CBlockingSocketException {
  public:
    // Builds the record: the error number given, else the socket layer's last
    // error, else 30010; severity 16, type E, source "Architecture exception.",
    // application "32-bit Architecture", the message text of the number.
    CBlockingSocketException(int nError, const char *pszData, const char *pszModule,
                             const char *pszProcedure, int nLine);
    ~CBlockingSocketException();
    CBlockingSocketException(const CBlockingSocketException &) = delete;
    CBlockingSocketException &operator=(const CBlockingSocketException &) = delete;

    static const char *GetRuntimeClassName() { return "CBlockingSocketException"; }

    // Passes the record to ERR_LogError.
    void LogError();
    // Message box with the record's error data, caption "QM32.DLL", OK button.
    void DisplayMessage();
    int GetErrorNumber() const { return m_pErr->lErrorNumber; }
    ERR_RECORD *GetErrorRecord() { return m_pErr; }
    const ERR_RECORD *GetErrorRecord() const { return m_pErr; }

  private:
    ERR_RECORD *m_pErr;
};

// An IPv4 socket address: family, port and address in network byte order.
struct CInetAddress {
    uint16_t sin_family = PLAT_AF_INET;
    uint16_t sin_port = 0;
    uint32_t sin_addr = 0;

    CInetAddress() = default;
    // From a dotted address ("127.0.0.1") and a port in host order. A text
    // that is not a dotted IPv4 address gives the address 255.255.255.255.
    CInetAddress(const char *pszDotted, int nPort);

    // The address as dotted text and the port in host order.
    void DottedText(char *pszBuffer, size_t nSize) const;
    int HostPort() const;
    // Parses a dotted IPv4 address into network byte order; false when the
    // text is not one.
    static bool ParseDotted(const char *pszDotted, uint32_t *pAddrNet);
};

// Socket types for Create.
enum { SOCK_STREAM_QM = PLAT_SOCK_STREAM };

// One TCP client connection. The socket is not closed by destruction: owners
// call Close explicitly, also on their error paths when the handle is not 0.
// Every failure raises a CBlockingSocketException (module qmsocket).
class CBlockingSocket {
  public:
    CBlockingSocket() = default;
    virtual ~CBlockingSocket() = default;
    CBlockingSocket(const CBlockingSocket &) = delete;
    CBlockingSocket &operator=(const CBlockingSocket &) = delete;

    static const char *GetRuntimeClassName() { return "CBlockingSocket"; }

    // Opens an Internet-family socket of the type; stores the service number,
    // which only the receive messages use.
    void Create(int nType = SOCK_STREAM_QM, long lService = 0);
    // Sets the receive time-out to nSeconds (sends never time out).
    void SetTimeout(int nSeconds);
    // Connects; when the first attempt fails, waits one second and tries once
    // more if that failure was a time-out.
    void Connect(const CInetAddress &addr);
    // One send call: the bytes sent.
    virtual int Send(const char *pBuffer, int nLength);
    // Sends until all nLength bytes are sent; returns nLength.
    int Write(const char *pBuffer, int nLength);
    // One receive call: the bytes received, 0 when the peer has closed.
    int Receive(char *pBuffer, int nLength);
    // Closes the socket and sets the handle to 0.
    void Close();

    plat_socket_t GetHandle() const { return m_hSocket; }
    int GetTimeout() const { return m_nTimeout; }
    long GetService() const { return m_lService; }

  protected:
    plat_socket_t m_hSocket = 0;
    int m_nTimeout = 0;
    long m_lService = 0;
};
