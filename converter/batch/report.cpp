// kestra-batch: the migration report in three forms: JSON (files, units, diagnostics, totals),
// CSV (one row per unit) and one self-contained HTML page (no external scripts, styles or fonts).
#include "batch.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <utility>

namespace batch {

namespace {

// Length of the valid UTF-8 sequence at s[i] (0 when the byte starts none).
size_t utf8_length(const std::string &s, size_t i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xe ? 3 : (c >> 3) == 0x1e ? 4 : 0;
    if (n == 0 || i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; k++)
        if ((b(i + k) & 0xc0) != 0x80)
            return 0;
    if ((n == 2 && c < 0xc2) || (n == 3 && c == 0xe0 && b(i + 1) < 0xa0) ||
        (n == 4 && (c > 0xf4 || (c == 0xf0 && b(i + 1) < 0x90))))
        return 0;
    return n;
}

// Calls put(bytes, length, code point or byte) for each character, bytes == nullptr for a byte
// that is not UTF-8, given as its Latin-1 code point (sources of this dialect are often in a
// single-byte code page); the code point of a character beyond ASCII is given as 0x80.
template <class F> void each_char(const std::string &s, F put) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : utf8_length(s, i);
        if (n == 0) {
            put(nullptr, 0, c);
            i++;
        } else {
            put(s.data() + i, n, n == 1 ? c : 0x80u);
            i += n;
        }
    }
}

std::string latin1_utf8(unsigned c) {
    std::string out;
    out += static_cast<char>(0xc0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3f));
    return out;
}

std::string json_str(const std::string &s) {
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    each_char(s, [&](const char *ch, size_t n, unsigned c) {
        char buf[8];
        if (ch == nullptr) {
            snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out.append(ch, n);
        }
    });
    out += '"';
    return out;
}

// A JSON string written straight into the report: most texts (names, paths) hold nothing to
// escape and go in whole, without a copy.
struct json_text {
    const std::string &s;
};

text_builder &operator<<(text_builder &o, const json_text &j) {
    for (const char c : j.s) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7f || c == '"' || c == '\\')
            return o << json_str(j.s);
    }
    return o << '"' << j.s << '"';
}

// Text for the page: escaped for both HTML and XML; control characters (which XML cannot hold)
// become U+FFFD.
std::string html(const std::string &s) {
    std::string out;
    out.reserve(s.size());
    each_char(s, [&](const char *ch, size_t n, unsigned c) {
        if (ch == nullptr)
            out += latin1_utf8(c);
        else if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7f)
            out += "\xef\xbf\xbd";
        else
            out.append(ch, n);
    });
    return out;
}

std::string csv_field(const std::string &s) {
    bool plain = true;
    for (char c : s)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            plain = false;
            break;
        }
    if (plain)
        return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string number(double v) {
    char buf[32];
    snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

// Diagnostic texts by kind: the variable part of each known text is left out, so that
// "Manual conversion required SUBSTRING()" and "... CHARINDEX()" count as one kind.
const char *const kinds[][2] = {
    {"syntax error Near '", "'"},
    {"yacc stack overflow Near '", "'"},
    {"Manual conversion required ", "()"},
    {"CREATE TABLE ", " statement added to ddl file"},
    {"CREATE TABLE ", " statement passed to ddl file"},
    {"One or more columns are procedure variables for table -- ", ""},
    {"(", ") Manual conversion requird"},
    {"DROP TABLE ", " statement ignored"},
    {"CREATE INDEX ", " statement ignored"},
    {"CREATE VIEW ", " statement ignored"},
    {"DROP VIEW ", " statement ignored"},
};

// The kind of a diagnostic text; `part` receives its variable part (the construct it names).
std::string kind_of(const std::string &text, std::string *part = nullptr) {
    for (const auto &k : kinds) {
        const std::string pre = k[0], post = k[1];
        if (text.size() >= pre.size() + post.size() && text.compare(0, pre.size(), pre) == 0 &&
            text.compare(text.size() - post.size(), post.size(), post) == 0) {
            if (part != nullptr)
                *part = text.substr(pre.size(), text.size() - pre.size() - post.size());
            return pre + "\xe2\x80\xa6" + post; // "…" stands for the variable part
        }
    }
    return text;
}

const diagnostic *main_diagnostic(const unit_result &u) {
    for (const diagnostic &d : u.diagnostics)
        if (d.fatal)
            return &d;
    return u.diagnostics.empty() ? nullptr : &u.diagnostics.front();
}

struct kind_count {
    int count = 0;
    int units = 0;
    std::map<std::string, int> parts; // the constructs named by the variable part, with counts
};

// Kinds in order of decreasing count, then by text.
std::vector<std::pair<std::string, kind_count>> count_kinds(const std::vector<file_result> &files) {
    std::map<std::string, kind_count> by_kind;
    for (const file_result &f : files)
        for (const unit_result &u : f.units) {
            std::map<std::string, bool> seen;
            for (const diagnostic &d : u.diagnostics) {
                std::string part;
                std::string k = kind_of(d.text, &part);
                by_kind[k].count++;
                if (!part.empty())
                    by_kind[k].parts[part]++;
                if (!seen[k])
                    by_kind[k].units++;
                seen[k] = true;
            }
        }
    std::vector<std::pair<std::string, kind_count>> v(by_kind.begin(), by_kind.end());
    std::stable_sort(v.begin(), v.end(),
                     [](const auto &a, const auto &b) { return a.second.count > b.second.count; });
    return v;
}

void json_report(text_builder &o, const std::vector<file_result> &files,
                 const std::vector<std::string> &options, double seconds) {
    const totals t = count_totals(files);
    o << "{\n  \"schema\": \"kestra-batch-report/1\",\n  \"options\": [";
    for (size_t i = 0; i < options.size(); i++)
        o << (i ? ", " : "") << json_str(options[i]);
    o << "],\n  \"totals\": {\"files\": " << t.files << ", \"skipped\": " << t.skipped
      << ", \"no_units\": " << t.no_units << ", \"errors\": " << t.errors
      << ", \"units\": " << t.units << ", \"converted\": " << t.converted
      << ", \"failed\": " << t.failed << ", \"diagnostics\": " << t.diagnostics
      << ", \"bytes\": " << t.bytes << ", \"lines\": " << t.lines
      << ", \"seconds\": " << number(seconds) << "},\n  \"files\": [";
    for (size_t i = 0; i < files.size(); i++) {
        const file_result &f = files[i];
        o << (i ? "," : "") << "\n    {\"path\": " << json_text{f.path}
          << ", \"output\": " << (f.output.empty() ? "null" : json_str(f.output))
          << ", \"status\": \"" << f.status()
          << "\", \"error\": " << (f.error.empty() ? "null" : json_str(f.error))
          << ", \"skipped\": " << (f.skipped.empty() ? "null" : json_str(f.skipped))
          << ", \"bytes\": " << f.bytes << ", \"lines\": " << f.lines
          << ", \"units\": " << f.units.size() << ", \"converted\": " << f.converted()
          << ", \"failed\": " << f.failed() << ", \"diagnostics\": " << f.diagnostics()
          << ", \"seconds\": " << number(f.seconds) << "}";
    }
    o << "\n  ],\n  \"units\": [";
    bool first = true;
    for (const file_result &f : files) {
        const std::string path = json_str(f.path); // once for the units of the file
        for (const unit_result &u : f.units) {
            o << (first ? "" : ",") << "\n    {\"file\": " << path
              << ", \"name\": " << json_text{u.name} << ", \"kind\": \"" << u.kind
              << "\", \"first_line\": " << u.first_line << ", \"last_line\": " << u.last_line
              << ", \"status\": \"" << (u.failed ? "failed" : "converted")
              << "\", \"diagnostics\": [";
            for (size_t k = 0; k < u.diagnostics.size(); k++) {
                const diagnostic &d = u.diagnostics[k];
                o << (k ? ", " : "") << "{\"line\": " << d.line
                  << ", \"text\": " << json_text{d.text}
                  << ", \"fatal\": " << (d.fatal ? "true" : "false") << "}";
            }
            o << "]}";
            first = false;
        }
    }
    o << "\n  ],\n  \"diagnostic_kinds\": [";
    first = true;
    for (const auto &k : count_kinds(files)) {
        o << (first ? "" : ",") << "\n    {\"kind\": " << json_str(k.first)
          << ", \"count\": " << k.second.count << ", \"units\": " << k.second.units << "}";
        first = false;
    }
    o << "\n  ]\n}\n";
}

void csv_report(text_builder &o, const std::vector<file_result> &files) {
    o << "file,unit,kind,first_line,last_line,status,diagnostics,line,diagnostic\r\n";
    for (const file_result &f : files) {
        if (f.units.empty() && (!f.error.empty() || !f.skipped.empty()))
            o << csv_field(f.path) << ",,,,," << f.status() << ",0,,"
              << csv_field(f.skipped.empty() ? f.error : f.skipped) << "\r\n";
        const std::string path = csv_field(f.path); // once for the units of the file
        for (const unit_result &u : f.units) {
            const diagnostic *d = main_diagnostic(u);
            o << path << ',' << csv_field(u.name) << ',' << u.kind << ',' << u.first_line << ','
              << u.last_line << ',' << (u.failed ? "failed" : "converted") << ','
              << u.diagnostics.size() << ',' << (d ? std::to_string(d->line) : "") << ','
              << (d ? csv_field(d->text) : "") << "\r\n";
        }
    }
}

const char page_style[] = R"(
body{font:14px/1.45 system-ui,-apple-system,"Segoe UI",sans-serif;margin:24px 32px;color:#1d2430;background:#fff}
h1{font-size:22px;margin:0 0 4px}h2{font-size:17px;margin:28px 0 8px;border-bottom:1px solid #dde2ea;padding-bottom:4px}
.meta{color:#5b6675;margin:0 0 16px}
.totals{display:flex;flex-wrap:wrap;gap:10px}
.box{border:1px solid #dde2ea;border-radius:6px;padding:8px 14px;min-width:92px;background:#f7f9fc}
.box b{display:block;font-size:20px}.box span{color:#5b6675;font-size:12px;text-transform:uppercase;letter-spacing:.04em}
.box.bad b{color:#b42318}.box.good b{color:#17663a}
table{border-collapse:collapse;width:100%;max-width:1100px}
th,td{text-align:left;padding:4px 10px;border-bottom:1px solid #eceff4;vertical-align:top}
th{background:#f0f3f8;font-weight:600}table.sortable th{cursor:pointer;user-select:none}
table.sortable th:after{content:" \2195";color:#9aa4b2;font-size:11px}
td.n,th.n{text-align:right;font-variant-numeric:tabular-nums}
tr.failed td.f{color:#b42318;font-weight:600}tr.error td{color:#b42318}
code{font:12px/1.4 ui-monospace,"DejaVu Sans Mono",monospace}
.unit{border:1px solid #eed3d0;border-left:4px solid #b42318;border-radius:4px;padding:8px 12px;margin:10px 0;max-width:1100px}
.unit .where{color:#5b6675}.unit .diag{margin:4px 0;color:#b42318}
pre{margin:6px 0 0;padding:6px 8px;background:#f7f9fc;overflow-x:auto;font:12px/1.4 ui-monospace,"DejaVu Sans Mono",monospace}
pre .hit{background:#fde7e4;display:inline-block;width:100%}
.ok{color:#17663a}
)";

const char page_script[] = R"(//<![CDATA[
(function () {
  function key(cell, numeric) {
    var t = cell.textContent;
    return numeric ? parseFloat(t) || 0 : t.toLowerCase();
  }
  var tables = document.querySelectorAll('table.sortable');
  for (var t = 0; t < tables.length; t++) {
    (function (table) {
      var heads = table.tHead.rows[0].cells;
      for (var i = 0; i < heads.length; i++) {
        (function (col, th) {
          th.addEventListener('click', function () {
            var numeric = th.className.indexOf('n') >= 0;
            var down = table.getAttribute('data-col') == col ? table.getAttribute('data-dir') != 'down' : numeric;
            var body = table.tBodies[0], rows = Array.prototype.slice.call(body.rows);
            rows.sort(function (a, b) {
              var x = key(a.cells[col], numeric), y = key(b.cells[col], numeric);
              return (x < y ? -1 : x > y ? 1 : 0) * (down ? -1 : 1);
            });
            for (var r = 0; r < rows.length; r++) body.appendChild(rows[r]);
            table.setAttribute('data-col', col);
            table.setAttribute('data-dir', down ? 'down' : 'up');
          });
        })(i, heads[i]);
      }
    })(tables[t]);
  }
  document.documentElement.setAttribute('data-sortable', tables.length);
})();
//]]>)";

std::string box(const char *label, const std::string &value, const char *cls = "") {
    return std::string("<div class=\"box ") + cls + "\"><b>" + value + "</b><span>" + label +
           "</span></div>";
}

void html_report(text_builder &o, const std::vector<file_result> &files,
                 const std::vector<std::string> &options, double seconds) {
    const totals t = count_totals(files);
    o << "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
         "<meta charset=\"utf-8\"/>\n<title>kestra-batch report</title>\n<style>"
      << page_style << "</style>\n</head>\n<body>\n<h1>kestra-batch report</h1>\n<p class=\"meta\">"
      << t.files << " source files, " << t.lines << " lines";
    if (t.skipped > 0)
        o << ", " << t.skipped << (t.skipped == 1 ? " file" : " files") << " skipped";
    if (!options.empty()) {
        o << ", converter options <code>";
        for (size_t i = 0; i < options.size(); i++)
            o << (i ? " " : "") << html(options[i]);
        o << "</code>";
    }
    o << ", <span class=\"t\">" << number(seconds) << "</span> s</p>\n<div class=\"totals\">"
      << box("files", std::to_string(t.files)) << box("units", std::to_string(t.units))
      << box("converted", std::to_string(t.converted), "good")
      << box("failed", std::to_string(t.failed), t.failed ? "bad" : "")
      << box("diagnostics", std::to_string(t.diagnostics))
      << box("file errors", std::to_string(t.errors + t.refused), t.errors + t.refused ? "bad" : "")
      << (t.no_units ? box("no units", std::to_string(t.no_units)) : "")
      << (t.skipped ? box("skipped", std::to_string(t.skipped)) : "") << "</div>\n";

    // Files, most failures first.
    std::vector<const file_result *> order;
    for (const file_result &f : files)
        order.push_back(&f);
    // Failures first: files not read, then failed files (most failed units first), then
    // files without units, skipped files and converted ones.
    const auto rank = [](const file_result *f) {
        const std::string st = f->status();
        return st == "error"      ? 0
               : st == "failed"   ? 1
               : st == "no_units" ? 2
               : st == "skipped"  ? 3
                                  : 4;
    };
    std::stable_sort(order.begin(), order.end(), [&](const file_result *a, const file_result *b) {
        if (rank(a) != rank(b))
            return rank(a) < rank(b);
        return a->failed() > b->failed();
    });
    o << "<h2>Files</h2>\n<table class=\"sortable\" data-col=\"3\" data-dir=\"down\">\n<thead><tr>"
         "<th>file</th><th class=\"n\">units</th><th class=\"n\">converted</th>"
         "<th class=\"n\">failed</th><th class=\"n\">diagnostics</th><th class=\"n\">lines</th>"
         "</tr></thead>\n<tbody>\n";
    for (const file_result *f : order) {
        o << "<tr class=\"" << f->status() << "\"><td><code>" << html(f->path) << "</code>";
        if (!f->skipped.empty())
            o << "<br/>skipped: " << html(f->skipped);
        else if (!f->error.empty())
            o << "<br/>" << html(f->error);
        o << "</td><td class=\"n\">" << f->units.size() << "</td><td class=\"n\">" << f->converted()
          << "</td><td class=\"n f\">" << f->failed() << "</td><td class=\"n\">" << f->diagnostics()
          << "</td><td class=\"n\">" << f->lines << "</td></tr>\n";
    }
    o << "</tbody>\n</table>\n";

    o << "<h2>Units that failed</h2>\n";
    if (t.failed + t.errors + t.refused == 0)
        o << "<p class=\"ok\">Every unit converted.</p>\n";
    // Files that failed as a whole, before any unit ran, then the units.
    for (const file_result &f : files)
        if (f.unreadable() || f.refused)
            o << "<div class=\"unit\"><b>(whole file)</b> <span class=\"where\"><code>"
              << html(f.path) << "</code></span>\n<div class=\"diag\">" << html(f.error)
              << "</div></div>\n";
    for (const file_result &f : files)
        for (const unit_result &u : f.units) {
            if (!u.failed)
                continue;
            const diagnostic *d = main_diagnostic(u);
            o << "<div class=\"unit\"><b>" << html(u.name.empty() ? "(unnamed)" : u.name)
              << "</b> <span class=\"where\">" << u.kind << " in <code>" << html(f.path)
              << "</code>, lines " << u.first_line << "&#8211;" << u.last_line << "</span>\n";
            if (d != nullptr)
                o << "<div class=\"diag\">line " << d->line << ": " << html(d->text) << "</div>\n";
            if (!u.context.empty()) {
                o << "<pre>";
                for (const auto &c : u.context) {
                    char num[16];
                    snprintf(num, sizeof num, "%5d  ", c.first);
                    const bool hit = d != nullptr && c.first == d->line;
                    o << (hit ? "<span class=\"hit\">" : "") << num << html(c.second)
                      << (hit ? "</span>" : "") << "\n";
                }
                o << "</pre>";
            }
            o << "</div>\n";
        }

    o << "<h2>Diagnostics by kind</h2>\n";
    const auto by_kind = count_kinds(files);
    if (by_kind.empty())
        o << "<p class=\"ok\">No diagnostics.</p>\n";
    else {
        o << "<table class=\"sortable\">\n<thead><tr><th>diagnostic</th><th>constructs</th>"
             "<th class=\"n\">count</th><th class=\"n\">units</th></tr></thead>\n<tbody>\n";
        for (const auto &k : by_kind) {
            std::string parts;
            for (const auto &p : k.second.parts)
                parts +=
                    (parts.empty() ? "" : ", ") + p.first + " (" + std::to_string(p.second) + ")";
            o << "<tr><td>" << html(k.first) << "</td><td>" << html(parts)
              << "</td><td class=\"n\">" << k.second.count << "</td><td class=\"n\">"
              << k.second.units << "</td></tr>\n";
        }
        o << "</tbody>\n</table>\n";
    }
    o << "<script>" << page_script << "</script>\n</body>\n</html>\n";
}

} // namespace

bool write_reports(const std::string &dir, const std::vector<file_result> &files,
                   const std::vector<std::string> &options, double seconds, std::string &error) {
    // Each report goes to its file as it is built, through one buffer of some 64 KB.
    text_builder text;
    const std::pair<const char *, std::function<void()>> reports[] = {
        {"kestra-report.json", [&] { json_report(text, files, options, seconds); }},
        {"kestra-report.csv", [&] { csv_report(text, files); }},
        {"kestra-report.html", [&] { html_report(text, files, options, seconds); }},
    };
    for (const auto &[name, build] : reports) {
        const std::string path = dir + "/" + name;
        const std::string temp = dir + "/." + name + "." + std::to_string(getpid());
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        text.write_to(fd);
        build();
        const bool written = text.done();
        if (fd < 0 || close(fd) != 0 || !written || rename(temp.c_str(), path.c_str()) != 0) {
            unlink(temp.c_str());
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

} // namespace batch
