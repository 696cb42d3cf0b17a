// Service call wire format as the reference host sees it: the 12-character
// prefix, the 124-character request header and the 504-character status record.
// Only these fixed system layouts are handled; service fields are passed through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qmhost {

constexpr std::size_t kPrefixLen = 12;
constexpr std::size_t kHeaderLen = 124; // "clv6nv4nv4nv4s9s9nv4nv2s9s9s9cnv4lv5dv14.0c"
constexpr std::size_t kStatusLen = 504; // "cs32nv4nv4s48s4s8ccs30nx4s159s8s12lx9s159nx4nx4"
// Largest message (length word included) that a client buffer holds.
constexpr std::size_t kMaxMessage = 32771;

// Positions of the request header fields in the encoded text.
namespace hdr {
constexpr std::size_t kType = 0;        // c
constexpr std::size_t kPosition = 1;    // l, 11 characters
constexpr std::size_t kRows = 12;       // n, 6 characters
constexpr std::size_t kAnswerRows = 18; // n
constexpr std::size_t kStart = 24;      // n
constexpr std::size_t kUserId = 30;     // s9
constexpr std::size_t kPassword = 39;   // s9: password (mainframe) or the user id again
constexpr std::size_t kService = 48;    // n
constexpr std::size_t kOption = 54;     // n
constexpr std::size_t kDatabase = 78;   // s9
} // namespace hdr

// A decoded request (after EBCDIC conversion for a mainframe client).
struct Request {
    std::string prefix; // the 12 prefix characters
    std::string format; // the service's format as sent
    std::string text;   // header and service fields, encoded
    char type = 0;
    long position = 0;
    long rows = 0;
    long start = 0;
    long service = 0;
    long option = 0;
    std::string userId;   // trimmed
    std::string password; // trimmed
};

// Splits a message body (everything after the length word) into prefix,
// format and text, and reads the header fields. On failure why says what is wrong.
bool parseRequest(const std::string &body, Request &out, std::string &why);

// The host's status, sent as the 504-character record after the answer text.
struct Status {
    long number = 0;
    char type = 0;
    std::string module;
    std::string procedure;
    std::string text;
    std::string data;
    long severity = 0;
};

std::string encodeStatus(const Status &st);

// What the host answers: the answer's format and encoded text, and the status.
struct Answer {
    std::string format;
    std::string text;
    Status status;
};

// Prefix (its first four characters taken from lead), format, text, status.
std::string buildAnswerBody(const std::string &lead, const Answer &ans);

// Field encoders of the codec's fixed widths.
std::string encodeShort(long v);                                 // "%+06hd"
std::string encodeLong(long v);                                  // "%+011ld"
std::string encodeText(const std::string &s, std::size_t count); // s<count>

// Field readers: a number read as the codec does (leading blanks, sign,
// digits, up to width characters), and a text up to its first NUL or 0x01
// filler with trailing blanks removed.
long readNumber(const std::string &text, std::size_t pos, std::size_t width);
std::string readText(const std::string &text, std::size_t pos, std::size_t count);

// Overwrite a short or long field of an encoded header.
void putShort(std::string &text, std::size_t pos, long v);
void putLong(std::string &text, std::size_t pos, long v);

std::string upper(std::string s);

} // namespace qmhost
