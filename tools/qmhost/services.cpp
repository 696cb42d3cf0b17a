// Service table of the reference host: script reading, built-in defaults, and
// the answers of the echo, rows, error, sign-on (429) and access (3135) services.
#include "services.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace qmhost {

namespace {

// The built-in table, in the script language itself.
const char *const kDefaults = R"(# built-in services
service 1 echo
service 2 rows rows=5 width=20
service 3 error
service 4 echo delay=2000
service 429 signon
service 3135 access
service 901 echo fault=close
service 902 echo fault=short
service 903 echo fault=garbage
service 904 echo fault=negative
service 905 echo fault=toolong
service 906 echo fault=prefixlong
service 907 echo fault=hang
user ALICE SECRET1
user BOB OLDPASS expired
user CAROL PASSWORD revoked
user DAVE NOACCESS
access ALICE GL0100 101
access ALICE AP0200 111
access ALICE AR0300 000
access BOB GL0100 100
)";

// Largest answer text a rows service may produce: the whole answer message
// (length word, prefix, format, text, status) must fit a client's 32771 bytes.
constexpr long kMaxAnswerText = 32000;

const struct {
    const char *name;
    Fault fault;
} kFaults[] = {{"none", Fault::None},
               {"close", Fault::Close},
               {"short", Fault::Short},
               {"garbage", Fault::Garbage},
               {"negative", Fault::Negative},
               {"toolong", Fault::TooLong},
               {"prefixlong", Fault::PrefixLong},
               {"hang", Fault::Hang}};

bool toNumber(const std::string &s, long lo, long hi, long &out) {
    if (s.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

Status hostStatus(long number, long severity, const std::string &procedure, const std::string &text,
                  const std::string &data) {
    Status s;
    s.number = number;
    s.type = 'A';
    s.module = "QMHOST";
    s.procedure = procedure;
    s.text = text;
    s.data = data;
    s.severity = severity;
    return s;
}

std::string headerOf(const Request &req) {
    return req.text.substr(0, kHeaderLen);
}

} // namespace

const char *faultName(Fault f) {
    for (const auto &e : kFaults)
        if (e.fault == f)
            return e.name;
    return "?";
}

bool splitWords(const std::string &line, std::vector<std::string> &words, std::string &err) {
    words.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        if (line[i] == '#')
            break;
        std::string w;
        bool quoted = false;
        while (i < line.size() && (quoted || !std::isspace(static_cast<unsigned char>(line[i])))) {
            if (line[i] == '"')
                quoted = !quoted;
            else
                w += line[i];
            ++i;
        }
        if (quoted) {
            err = "unterminated quote";
            return false;
        }
        words.push_back(w);
    }
    return true;
}

void Host::loadDefaults() {
    std::istringstream in(kDefaults);
    std::string err;
    loadScript(in, err);
}

bool Host::loadScript(std::istream &in, std::string &err) {
    std::string line;
    int lineNo = 0;
    std::vector<std::string> words;
    while (std::getline(in, line)) {
        ++lineNo;
        std::string why;
        if (!splitWords(line, words, why) || (!words.empty() && !parseLine(words, why))) {
            err = "line " + std::to_string(lineNo) + ": " + why;
            return false;
        }
    }
    return true;
}

bool Host::parseLine(const std::vector<std::string> &w, std::string &err) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string &verb = w[0];
    if (verb == "reset" && w.size() == 1) {
        services_.clear();
        users_.clear();
        access_.clear();
        return true;
    }
    if (verb == "user" && w.size() >= 3) {
        User u;
        u.id = upper(w[1]);
        u.password = w[2];
        if (u.id.empty() || u.id.size() > 9 || u.password.size() > 9) {
            err = "user id and password have at most 9 characters";
            return false;
        }
        for (std::size_t i = 3; i < w.size(); ++i) {
            const std::string &opt = w[i];
            std::size_t eq = opt.find('=');
            if (eq == std::string::npos) {
                if (opt != "expired" && opt != "revoked") {
                    err = "user state must be expired or revoked";
                    return false;
                }
                u.state = opt;
                continue;
            }
            std::string key = opt.substr(0, eq), val = opt.substr(eq + 1);
            bool ok = true;
            if (key == "signon" || key == "change" || key == "access") {
                // NUMBER:DATA, the host status of that request for this user.
                Scripted &sc = key == "signon" ? u.signon : key == "change" ? u.change : u.access;
                std::size_t colon = val.find(':');
                ok = colon != std::string::npos &&
                     toNumber(val.substr(0, colon), -32768, 32767, sc.number) &&
                     val.size() - colon - 1 <= 159;
                if (ok)
                    sc.data = val.substr(colon + 1);
            } else if (key == "rows") {
                ok = toNumber(val, 0, 32767, u.accessRows);
            } else if (key == "generate") {
                ok = toNumber(val, 0, 3000, u.generate);
            } else if (key == "format" || key == "signonformat") {
                ok = !val.empty() && val.size() <= 200 &&
                     ((key == "format" ? u.accessFormat : u.signonFormat) = val, true);
            } else {
                err = "unknown user key '" + key + "'";
                return false;
            }
            if (!ok) {
                err = "bad value for " + key + ": '" + val + "'";
                return false;
            }
        }
        for (auto &x : users_)
            if (x.id == u.id) {
                x = u;
                return true;
            }
        users_.push_back(u);
        return true;
    }
    if (verb == "access" && w.size() == 4) {
        if (w[2].empty() || w[2].size() > 6 || w[3].size() != 3) {
            err = "access needs a code of 1 to 6 characters and 3 flag characters";
            return false;
        }
        access_.push_back({upper(w[1]), w[2], w[3]});
        return true;
    }
    if (verb != "service" || w.size() < 3) {
        err = "expected: service NUMBER KIND [key=value]..., user ID PASSWORD [state], "
              "access ID CODE FLAGS, or reset";
        return false;
    }
    Service svc;
    if (!toNumber(w[1], -32768, 32767, svc.number)) {
        err = "service number must lie between -32768 and 32767";
        return false;
    }
    static const std::map<std::string, Kind> kinds = {{"echo", Kind::Echo},
                                                      {"rows", Kind::Rows},
                                                      {"error", Kind::Error},
                                                      {"signon", Kind::Signon},
                                                      {"access", Kind::Access}};
    auto k = kinds.find(w[2]);
    if (k == kinds.end()) {
        err = "unknown kind '" + w[2] + "' (echo, rows, error, signon, access)";
        return false;
    }
    svc.kind = k->second;
    if (svc.kind == Kind::Error) {
        svc.hasStatus = true;
        svc.status = hostStatus(100, 8, "ERROR-SERVICE", "Simulated host error",
                                "QMH0100E SIMULATED HOST ERROR");
    }
    for (std::size_t i = 3; i < w.size(); ++i) {
        const std::string &opt = w[i];
        if (opt == "notext") {
            svc.noText = true;
            continue;
        }
        std::size_t eq = opt.find('=');
        if (eq == std::string::npos) {
            err = "expected key=value, found '" + opt + "'";
            return false;
        }
        std::string key = opt.substr(0, eq), val = opt.substr(eq + 1);
        bool ok = true;
        if (key == "delay")
            ok = toNumber(val, 0, 600000, svc.delayMs);
        else if (key == "rows")
            ok = toNumber(val, 0, 32767, svc.rows);
        else if (key == "width")
            ok = toNumber(val, 1, 9999, svc.width);
        else if (key == "row")
            svc.rowText = val;
        else if (key == "fault") {
            ok = false;
            for (const auto &f : kFaults)
                if (val == f.name) {
                    svc.fault = f.fault;
                    ok = true;
                }
        } else if (key == "number" || key == "severity" || key == "type" || key == "module" ||
                   key == "procedure" || key == "text" || key == "data") {
            svc.hasStatus = true;
            Status &s = svc.status;
            if (key == "number")
                ok = toNumber(val, -32768, 32767, s.number);
            else if (key == "severity")
                ok = toNumber(val, -32768, 32767, s.severity);
            else if (key == "type")
                ok = val.size() == 1 && (s.type = val[0], true);
            else if (key == "module")
                ok = val.size() <= 8 && (s.module = val, true);
            else if (key == "procedure")
                ok = val.size() <= 30 && (s.procedure = val, true);
            else if (key == "text")
                ok = val.size() <= 159 && (s.text = val, true);
            else
                ok = val.size() <= 159 && (s.data = val, true);
        } else {
            err = "unknown key '" + key + "'";
            return false;
        }
        if (!ok) {
            err = "bad value for " + key + ": '" + val + "'";
            return false;
        }
    }
    if (svc.kind == Kind::Rows && svc.rows * svc.width > kMaxAnswerText - long(kHeaderLen)) {
        err = "rows times width exceeds " + std::to_string(kMaxAnswerText - long(kHeaderLen));
        return false;
    }
    services_[svc.number] = svc;
    return true;
}

const Service *Host::find(long number) const {
    auto it = services_.find(number);
    return it == services_.end() ? nullptr : &it->second;
}

Answer Host::answer(const Request &req, bool mainframe) {
    Answer a;
    a.text = headerOf(req);
    const Service *svc = find(req.service);
    if (svc == nullptr) {
        char data[80];
        std::snprintf(data, sizeof data, "QMH9001E SERVICE %ld NOT DEFINED", req.service);
        a.status = hostStatus(9001, 8, "DISPATCH", "Service not defined", data);
        return a;
    }
    switch (svc->kind) {
    case Kind::Echo:
        a.format = req.format;
        a.text = req.text;
        break;
    case Kind::Rows: {
        long n = svc->rows;
        if (req.rows > 0 && req.rows < n)
            n = req.rows;
        long first = req.start > 0 ? req.start : 1;
        a.format = "k88r1." + std::to_string(n) + "s" + std::to_string(svc->width);
        putShort(a.text, hdr::kAnswerRows, n);
        for (long i = 0; i < n; ++i) {
            char num[24];
            std::snprintf(num, sizeof num, "%05ld", first + i);
            std::string row = svc->rowText + num;
            row.resize(static_cast<std::size_t>(svc->width), ' ');
            a.text += row;
        }
        break;
    }
    case Kind::Error:
        break;
    case Kind::Signon:
        a = signon(req, mainframe);
        break;
    case Kind::Access:
        a = access(req);
        break;
    }
    if (svc->hasStatus)
        a.status = svc->status;
    if (svc->noText) {
        a.format.clear();
        a.text.clear();
    }
    if (mainframe)
        a.format = upper(a.format);
    return a;
}

Answer Host::signon(const Request &req, bool mainframe) {
    Answer a;
    a.text = headerOf(req);
    std::lock_guard<std::mutex> lock(mutex_);
    User *user = nullptr;
    for (auto &u : users_)
        if (u.id == upper(req.userId))
            user = &u;
    const char *proc = req.type == 'C' ? "CHANGE-PASSWORD" : "SIGNON";
    auto fail = [&](long number, const std::string &data) {
        a.status = hostStatus(number, 8, proc, "Sign-on refused", data);
        return a;
    };
    if (req.type != 'S' && req.type != 'C')
        return fail(9003, "QMH9003E REQUEST TYPE NOT SUPPORTED");
    if (user)
        a.format = user->signonFormat;
    if (user == nullptr)
        return fail(4, "ACF01004 LOGONID " + req.userId + " NOT FOUND");
    if (user->state == "revoked")
        return fail(13, "ACF01013 LOGONID " + user->id + " SUSPENDED");
    const Scripted &scripted = req.type == 'S' ? user->signon : user->change;
    if (scripted.number != 0)
        return fail(scripted.number, scripted.data);
    // Only a mainframe client sends the password (upper case); other clients
    // send the user id twice, so the password cannot be checked for them.
    if (mainframe && upper(user->password) != upper(req.password))
        return fail(12, "ACF01012 PASSWORD NOT MATCHED");
    if (req.type == 'S') {
        if (user->state == "expired")
            return fail(17, "ACF01017 PASSWORD EXPIRED");
        return a;
    }
    std::string fresh = readText(req.text, kHeaderLen, 9);
    if (fresh.empty() || upper(fresh) == upper(user->password))
        return fail(155, "ACFAE155 NEW PASSWORD NOT ACCEPTED");
    user->password = fresh;
    user->state.clear();
    user->signon = Scripted();
    return a;
}

Answer Host::access(const Request &req) {
    Answer a;
    a.text = headerOf(req);
    std::string id = upper(readText(req.text, kHeaderLen, 9));
    std::lock_guard<std::mutex> lock(mutex_);
    const User *user = nullptr;
    for (const auto &u : users_)
        if (u.id == id)
            user = &u;
    if (user && user->access.number != 0) {
        a.status =
            hostStatus(user->access.number, 8, "ACCESS", "Access refused", user->access.data);
        return a;
    }
    std::vector<AccessEntry> generated;
    for (long i = 0; user && i < user->generate; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "F%05ld", (i + 1) % 100000);
        generated.push_back({id, code, "111"});
    }
    std::vector<const AccessEntry *> mine;
    for (const auto &e : access_)
        if (e.user == id)
            mine.push_back(&e);
    for (const auto &e : generated)
        mine.push_back(&e);
    if (mine.empty()) {
        a.status = hostStatus(27, 4, "ACCESS", "Access data not found",
                              "QMH0027W NO ACCESS DATA FOR " + id);
        return a;
    }
    std::size_t first = req.start > 1 ? static_cast<std::size_t>(req.start - 1) : 0;
    std::size_t limit = req.rows > 0 ? static_cast<std::size_t>(req.rows) : mine.size();
    // Keep the whole answer inside a client's message buffer.
    limit = std::min(limit, static_cast<std::size_t>(kMaxAnswerText - long(kHeaderLen)) / 9);
    std::size_t n = 0;
    for (std::size_t i = first; i < mine.size() && n < limit; ++i, ++n) {
        std::string row = mine[i]->code;
        row.resize(6, ' ');
        a.text += row + mine[i]->flags;
    }
    a.format = user && !user->accessFormat.empty() ? user->accessFormat
                                                   : "k88r1." + std::to_string(n) + "s9";
    putShort(a.text, hdr::kAnswerRows,
             user && user->accessRows >= 0 ? user->accessRows : static_cast<long>(n));
    return a;
}

} // namespace qmhost
