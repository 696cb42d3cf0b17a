// Service table of the reference host: built-in services, the script file
// that adds or replaces them, the sign-on (429) and access (3135) services with
// their user and access tables, and the per-service fault to inject.
#pragma once

#include "wire.h"

#include <istream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace qmhost {

enum class Kind { Echo, Rows, Error, Signon, Access };

// What goes wrong on purpose instead of a proper answer.
enum class Fault {
    None,
    Close,      // read the request, close without answering
    Short,      // announce the whole answer, send half of it, close
    Garbage,    // answer with a prefix that is not digits
    Negative,   // length word negative
    TooLong,    // length word 1000 larger than what is sent
    PrefixLong, // prefix text length 1000 larger than what is sent
    Hang,       // never answer; keep the connection open
};

struct Service {
    long number = 0;
    Kind kind = Kind::Echo;
    long delayMs = 0;
    long rows = 5;
    long width = 20;
    std::string rowText = "ROW";
    bool noText = false;    // answer with text length 0
    bool hasStatus = false; // status given in the script overrides the computed one
    Status status;
    Fault fault = Fault::None;
};

// A host status scripted for one user and service (number 0: none).
struct Scripted {
    long number = 0;
    std::string data;
};

struct User {
    std::string id;           // upper case
    std::string password;     // as given
    std::string state;        // "", "expired" or "revoked"
    Scripted signon;          // sign-on check answers this status instead
    Scripted change;          // password change answers this status instead
    Scripted access;          // access request answers this status instead
    long accessRows = -1;     // access answer's row count in its header (-1: the rows sent)
    long generate = 0;        // access rows generated: "F00001111", "F00002111", ...
    std::string accessFormat; // access answer's format instead of "k88r1.Ns9"
    std::string signonFormat; // sign-on answer's format instead of none
};

struct AccessEntry {
    std::string user;  // upper case
    std::string code;  // function code, up to 6 characters
    std::string flags; // three characters of "0"/"1"
};

class Host {
  public:
    // The built-in services, users and access entries.
    void loadDefaults();
    // Reads a script: adds or replaces services, users and access entries.
    // Returns false with "line N: what" in err on the first bad line.
    bool loadScript(std::istream &in, std::string &err);

    // The service, or nullptr when none has that number.
    const Service *find(long number) const;
    // Computes the answer to a decoded request. Thread-safe.
    Answer answer(const Request &req, bool mainframe);

    std::size_t serviceCount() const { return services_.size(); }

  private:
    bool parseLine(const std::vector<std::string> &words, std::string &err);
    Answer signon(const Request &req, bool mainframe);
    Answer access(const Request &req);

    std::map<long, Service> services_;
    std::vector<User> users_;
    std::vector<AccessEntry> access_;
    std::mutex mutex_; // users_ change on a password change
};

// Splits a script line into words; a double-quoted word may hold blanks.
bool splitWords(const std::string &line, std::vector<std::string> &words, std::string &err);

const char *faultName(Fault f);

} // namespace qmhost
