// Service call wire format of the reference host: request prefix and header
// decoding, status record and answer encoding, with the codec's field widths.
#include "wire.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace qmhost {

namespace {

bool allDigits(const std::string &s, std::size_t pos, std::size_t n) {
    for (std::size_t i = pos; i < pos + n; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
    return true;
}

} // namespace

std::string upper(std::string s) {
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string encodeShort(long v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%+06hd", static_cast<short>(v));
    return buf;
}

std::string encodeLong(long v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%+011ld", static_cast<long>(static_cast<int32_t>(v)));
    return buf;
}

std::string encodeText(const std::string &s, std::size_t count) {
    std::string out(count, '\x01');
    for (std::size_t i = 0; i < count && i < s.size() && s[i] != '\0'; ++i)
        out[i] = s[i];
    return out;
}

long readNumber(const std::string &text, std::size_t pos, std::size_t width) {
    if (pos >= text.size())
        return 0;
    std::string field = text.substr(pos, width);
    return std::strtol(field.c_str(), nullptr, 10);
}

std::string readText(const std::string &text, std::size_t pos, std::size_t count) {
    if (pos >= text.size())
        return "";
    std::string field = text.substr(pos, count);
    std::size_t end = field.find_first_of(std::string("\x01\0", 2));
    if (end != std::string::npos)
        field.resize(end);
    while (!field.empty() && field.back() == ' ')
        field.pop_back();
    return field;
}

void putShort(std::string &text, std::size_t pos, long v) {
    if (pos + 6 <= text.size())
        text.replace(pos, 6, encodeShort(v));
}

void putLong(std::string &text, std::size_t pos, long v) {
    if (pos + 11 <= text.size())
        text.replace(pos, 11, encodeLong(v));
}

bool parseRequest(const std::string &body, Request &out, std::string &why) {
    if (body.size() < kPrefixLen) {
        why = "message shorter than the 12-character prefix";
        return false;
    }
    out.prefix = body.substr(0, kPrefixLen);
    if (!allDigits(out.prefix, 0, kPrefixLen)) {
        why = "prefix is not all digits";
        return false;
    }
    std::size_t flen = std::strtoul(out.prefix.substr(4, 3).c_str(), nullptr, 10);
    std::size_t dlen = std::strtoul(out.prefix.substr(7, 5).c_str(), nullptr, 10);
    if (kPrefixLen + flen + dlen != body.size()) {
        why = "prefix lengths (format " + std::to_string(flen) + ", text " + std::to_string(dlen) +
              ") do not match the " + std::to_string(body.size() - kPrefixLen) +
              " characters that follow it";
        return false;
    }
    if (dlen < kHeaderLen) {
        why = "text of " + std::to_string(dlen) + " characters is shorter than the header";
        return false;
    }
    out.format = body.substr(kPrefixLen, flen);
    out.text = body.substr(kPrefixLen + flen, dlen);
    const std::string &t = out.text;
    out.type = t[hdr::kType] == '\x01' ? '\0' : t[hdr::kType];
    out.position = readNumber(t, hdr::kPosition, 11);
    out.rows = readNumber(t, hdr::kRows, 6);
    out.start = readNumber(t, hdr::kStart, 6);
    out.service = readNumber(t, hdr::kService, 6);
    out.option = readNumber(t, hdr::kOption, 6);
    out.userId = readText(t, hdr::kUserId, 9);
    out.password = readText(t, hdr::kPassword, 9);
    return true;
}

std::string encodeStatus(const Status &s) {
    // Every field the library does not read is sent empty: NUL characters as
    // 0x01, numbers as zero.
    std::string out;
    out.reserve(kStatusLen);
    out += '\x01';             // c
    out += encodeText("", 32); // s32
    out += encodeShort(0);     // n
    out += encodeShort(0);     // n
    out += encodeText("", 48); // s48
    out += encodeText("", 4);  // s4
    out += encodeText(s.module, 8);
    out += '\x01'; // c
    out += s.type ? s.type : '\x01';
    out += encodeText(s.procedure, 30);
    out += encodeShort(s.number);
    out += encodeText(s.text, 159);
    out += encodeText("", 8);  // s8
    out += encodeText("", 12); // s12
    out += encodeLong(0);      // l
    out += encodeText(s.data, 159);
    out += encodeShort(s.severity);
    out += encodeShort(0); // n
    return out;
}

std::string buildAnswerBody(const std::string &lead, const Answer &ans) {
    std::string body = lead.size() >= 4 && allDigits(lead, 0, 4) ? lead.substr(0, 4) : "0000";
    // Callers keep the format under 1000 and the text under 100000 characters
    // (a whole message fits 32771 bytes), so the digits always fit.
    char lens[24];
    std::snprintf(lens, sizeof lens, "%03zu%05zu", ans.format.size(), ans.text.size());
    body += lens;
    body += ans.format;
    body += ans.text;
    body += encodeStatus(ans.status);
    return body;
}

} // namespace qmhost
