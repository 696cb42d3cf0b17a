// Codec benchmark: encode and decode rates of the request header and of a
// 50-field record, in records per second, each against a per-field
// snprintf/sscanf loop over the same fields measured in the same run.
#include "qmcnv32.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

volatile unsigned g_sink = 0;

// Records per second of `body`, run for about `seconds`.
double rate(const std::function<void()> &body, double seconds) {
    using clock = std::chrono::steady_clock;
    long n = 0;
    auto start = clock::now();
    double elapsed = 0;
    do {
        for (int i = 0; i < 256; ++i) {
            body();
        }
        n += 256;
        elapsed = std::chrono::duration<double>(clock::now() - start).count();
    } while (elapsed < seconds);
    return static_cast<double>(n) / elapsed;
}

void report(const char *what, double codec, double baseline) {
    printf("%-28s codec %10.0f rec/s   snprintf/sscanf %10.0f rec/s   ratio %5.2f\n", what, codec,
           baseline, codec / baseline);
}

// ---- the request header -------------------------------------------------------

const char *const kHeaderFormat = "clv6nv4nv4nv4s9s9nv4nv2s9s9s9cnv4lv5dv14.0c";

DAA_REQUEST_HEADER makeHeader() {
    DAA_REQUEST_HEADER h;
    memset(&h, 0, sizeof h);
    h.cRequestType = 'S';
    h.lPosition = 12;
    h.sRows = 50;
    h.sStart = 1;
    memcpy(h.szUserId, "JSMITH", 6);
    memcpy(h.szPassword, "JSMITH", 6);
    h.sService = 429;
    h.sOption = 1;
    memcpy(h.szDatabaseId, "FINDB01", 7);
    return h;
}

// Writes a text field the codec's way: the bytes up to the NUL, then 0x01.
char *putText(char *out, const char *field, int width) {
    int i = 0;
    for (; i < width && field[i]; ++i) {
        out[i] = field[i];
    }
    for (; i < width; ++i) {
        out[i] = 1;
    }
    return out + width;
}

const char *getText(const char *in, char *field, int width) {
    for (int i = 0; i < width; ++i) {
        field[i] = in[i] == 1 ? 0 : in[i];
    }
    return in + width;
}

void baselineEncodeHeader(const DAA_REQUEST_HEADER &h, char *out) {
    out[0] = h.cRequestType ? h.cRequestType : 1;
    out += 1;
    out += snprintf(out, 12, "%+011" PRId32, h.lPosition);
    out += snprintf(out, 7, "%+06hd", h.sRows);
    out += snprintf(out, 7, "%+06hd", h.sHostRows);
    out += snprintf(out, 7, "%+06hd", h.sStart);
    out = putText(out, h.szUserId, 9);
    out = putText(out, h.szPassword, 9);
    out += snprintf(out, 7, "%+06hd", h.sService);
    out += snprintf(out, 7, "%+06hd", h.sOption);
    out = putText(out, h.szReserved1, 9);
    out = putText(out, h.szReserved2, 9);
    out = putText(out, h.szDatabaseId, 9);
    *out++ = h.cReserved3 ? h.cReserved3 : 1;
    out += snprintf(out, 7, "%+06hd", h.sReserved4);
    out += snprintf(out, 12, "%+011" PRId32, h.lReserved5);
    out += snprintf(out, 19, "%+018.*f", 0, h.dReserved6);
    *out++ = h.cReserved7 ? h.cReserved7 : 1;
    *out = 0;
}

void baselineDecodeHeader(DAA_REQUEST_HEADER &h, const char *in) {
    int n = 0;
    h.cRequestType = *in == 1 ? 0 : *in;
    in += 1;
    sscanf(in, "%11" SCNd32 "%n", &h.lPosition, &n);
    in += n;
    sscanf(in, "%6hd%n", &h.sRows, &n);
    in += n;
    sscanf(in, "%6hd%n", &h.sHostRows, &n);
    in += n;
    sscanf(in, "%6hd%n", &h.sStart, &n);
    in += n;
    in = getText(in, h.szUserId, 9);
    in = getText(in, h.szPassword, 9);
    sscanf(in, "%6hd%n", &h.sService, &n);
    in += n;
    sscanf(in, "%6hd%n", &h.sOption, &n);
    in += n;
    in = getText(in, h.szReserved1, 9);
    in = getText(in, h.szReserved2, 9);
    in = getText(in, h.szDatabaseId, 9);
    h.cReserved3 = *in == 1 ? 0 : *in;
    in += 1;
    sscanf(in, "%6hd%n", &h.sReserved4, &n);
    in += n;
    sscanf(in, "%11" SCNd32 "%n", &h.lReserved5, &n);
    in += n;
    sscanf(in, "%18lf%n", &h.dReserved6, &n);
    in += n;
    h.cReserved7 = *in == 1 ? 0 : *in;
}

// ---- a 50-field record: ten times char, text, short, long, double --------------

struct Row {
    char c;
    char s[20];
    int16_t n;
    int32_t l;
    double d;
};
struct Record50 {
    Row rows[10];
};
const char *const kRowFormat = "cs20nld14.2";

std::string record50Format() {
    std::string f;
    for (int i = 0; i < 10; ++i) {
        f += kRowFormat;
    }
    return f;
}

Record50 makeRecord50() {
    Record50 r;
    memset(&r, 0, sizeof r);
    for (int i = 0; i < 10; ++i) {
        r.rows[i].c = static_cast<char>('A' + i);
        snprintf(r.rows[i].s, sizeof r.rows[i].s, "account %d", i * 7919);
        r.rows[i].n = static_cast<int16_t>(i * 111 - 500);
        r.rows[i].l = i * 1234567 - 3000000;
        r.rows[i].d = i * 1024.25 - 77.5;
    }
    return r;
}

void baselineEncode50(const Record50 &r, char *out) {
    for (const Row &row : r.rows) {
        *out++ = row.c ? row.c : 1;
        out = putText(out, row.s, 20);
        out += snprintf(out, 7, "%+06hd", row.n);
        out += snprintf(out, 12, "%+011" PRId32, row.l);
        out += snprintf(out, 19, "%+018.*f", 2, row.d);
    }
    *out = 0;
}

void baselineDecode50(Record50 &r, const char *in) {
    int n = 0;
    for (Row &row : r.rows) {
        row.c = *in == 1 ? 0 : *in;
        in += 1;
        in = getText(in, row.s, 20);
        sscanf(in, "%6hd%n", &row.n, &n);
        in += n;
        sscanf(in, "%11" SCNd32 "%n", &row.l, &n);
        in += n;
        sscanf(in, "%18lf%n", &row.d, &n);
        in += n;
    }
}

} // namespace

int main(int argc, char **argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 0.5;
    if (seconds <= 0) {
        seconds = 0.5;
    }

    // Both sides must produce the same text, or the comparison means nothing.
    DAA_REQUEST_HEADER h = makeHeader();
    std::vector<char> codecText(CNV_GetEncodeStringLen(kHeaderFormat) + 1);
    std::vector<char> baseText(codecText.size() + 32);
    CNV_EncodeStruct(&h, kHeaderFormat, codecText.data());
    baselineEncodeHeader(h, baseText.data());
    if (strcmp(codecText.data(), baseText.data()) != 0) {
        fprintf(stderr, "header texts differ\n");
        return 1;
    }
    report("request header encode",
           rate([&] { g_sink += CNV_EncodeStruct(&h, kHeaderFormat, codecText.data()); }, seconds),
           rate([&] { baselineEncodeHeader(h, baseText.data()); }, seconds));
    DAA_REQUEST_HEADER back;
    report(
        "request header decode",
        rate([&] { g_sink += CNV_DecodeStruct(&back, kHeaderFormat, codecText.data()); }, seconds),
        rate([&] { baselineDecodeHeader(back, baseText.data()); }, seconds));

    std::string format50 = record50Format();
    Record50 r = makeRecord50();
    std::vector<char> text50(CNV_GetEncodeStringLen(format50.c_str()) + 1);
    std::vector<char> base50(text50.size() + 32);
    CNV_EncodeStruct(&r, format50.c_str(), text50.data());
    baselineEncode50(r, base50.data());
    if (strcmp(text50.data(), base50.data()) != 0) {
        fprintf(stderr, "50-field texts differ\n");
        return 1;
    }
    report("50-field record encode",
           rate([&] { g_sink += CNV_EncodeStruct(&r, format50.c_str(), text50.data()); }, seconds),
           rate([&] { baselineEncode50(r, base50.data()); }, seconds));
    Record50 r2;
    report("50-field record decode",
           rate([&] { g_sink += CNV_DecodeStruct(&r2, format50.c_str(), text50.data()); }, seconds),
           rate([&] { baselineDecode50(r2, base50.data()); }, seconds));
    return 0;
}
