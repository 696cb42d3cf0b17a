// Golden cases of whole units: each directory under golden/ holds a source "input.sql", the
// options in "args" (optional, separated by blanks) and the expected output script
// "expected.pls", log "expected.log", console texts "expected.out" / "expected.err" (missing
// means empty) and exit status "expected.status" (missing means 0). A case without
// "expected.pls" or "expected.log" expects no such file to be left. Each case runs the kestra
// executable in a fresh directory and compares byte for byte, masking only the banner's date.
// Other files of a case directory (a user datatype file) are copied next to the source.
// A file that differs is written as "actual.<file>" under golden-actual/<case>/ in the build
// directory, and the failure shows a unified diff of the lines, expected first.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "testutil.h"

using namespace kestra_test;

namespace {

const std::string golden_root = std::string(KESTRA_TEST_DATA) + "/golden";

std::vector<std::string> golden_cases() {
    std::vector<std::string> names;
    DIR *d = opendir(golden_root.c_str());
    if (d == nullptr)
        return names;
    while (struct dirent *e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != ".." && file_exists(golden_root + "/" + n + "/input.sql"))
            names.push_back(n);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

class Golden : public testing::TestWithParam<std::string> {};

std::vector<std::string> split_lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    if (!text.empty() && text.back() != '\n')
        lines.back() += "\n\\ No newline at end of file";
    return lines;
}

// A unified diff of two texts with three lines of context: the longest common subsequence of
// their lines (golden files are a few hundred lines, so the quadratic table is small).
std::string unified_diff(const std::string &expected, const std::string &actual) {
    const std::vector<std::string> a = split_lines(expected), b = split_lines(actual);
    const size_t n = a.size(), m = b.size();
    std::vector<std::vector<unsigned>> lcs(n + 1, std::vector<unsigned>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            lcs[i][j] =
                a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
    struct line {
        char tag;
        size_t i, j;
    };
    std::vector<line> script; // ' ', '-' or '+' with the positions reached before the line
    size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[i] == b[j])
            script.push_back({' ', i++, j++});
        else if (i < n && (j == m || lcs[i + 1][j] >= lcs[i][j + 1]))
            script.push_back({'-', i++, j});
        else
            script.push_back({'+', i, j++});
    }
    std::string out = "--- expected\n+++ actual\n";
    for (size_t k = 0; k < script.size();) {
        if (script[k].tag == ' ') {
            ++k;
            continue;
        }
        // One hunk: changes with at most six unchanged lines between them, three lines of
        // context on each side.
        size_t end = k + 1;
        for (size_t x = k + 1; x < script.size() && x <= end + 6; ++x)
            if (script[x].tag != ' ')
                end = x + 1;
        const size_t first = k >= 3 ? k - 3 : 0, last = std::min(script.size(), end + 3);
        size_t del = 0, add = 0;
        for (size_t x = first; x < last; ++x) {
            del += script[x].tag != '+';
            add += script[x].tag != '-';
        }
        out += "@@ -" + std::to_string(script[first].i + 1) + "," + std::to_string(del) + " +" +
               std::to_string(script[first].j + 1) + "," + std::to_string(add) + " @@\n";
        for (size_t x = first; x < last; ++x)
            out += script[x].tag + (script[x].tag == '+' ? b[script[x].j] : a[script[x].i]) + "\n";
        k = last;
    }
    return out;
}

// Compares one output of a case; a difference leaves the actual text in the build directory
// and reports the diff.
void expect_output(const std::string &test_case, const std::string &name, const std::string &actual,
                   const std::string &expected) {
    if (actual == expected)
        return;
    const std::string root = std::string(KESTRA_TEST_OUTPUT) + "/golden-actual";
    const std::string dir = root + "/" + test_case;
    mkdir(root.c_str(), 0777);
    mkdir(dir.c_str(), 0777);
    write_file(dir + "/actual." + name, actual);
    ADD_FAILURE() << "expected." << name << " differs (actual output in " << dir << "/actual."
                  << name << ")\n"
                  << unified_diff(expected, actual);
}

} // namespace

// Files of a case directory that are inputs (every file but the options and expectations).
std::vector<std::string> case_inputs(const std::string &dir) {
    std::vector<std::string> names;
    DIR *d = opendir(dir.c_str());
    if (d == nullptr)
        return names;
    while (struct dirent *e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != ".." && n != "args" && n.compare(0, 9, "expected.") != 0)
            names.push_back(n);
    }
    closedir(d);
    return names;
}

// The expectation files of a case directory ("expected.*").
std::vector<std::string> case_expectations(const std::string &dir) {
    std::vector<std::string> names;
    DIR *d = opendir(dir.c_str());
    if (d == nullptr)
        return names;
    while (struct dirent *e = readdir(d)) {
        std::string n = e->d_name;
        if (n.compare(0, 9, "expected.") == 0)
            names.push_back(n);
    }
    closedir(d);
    return names;
}

TEST_P(Golden, ConvertsAsExpected) {
    const std::string dir = golden_root + "/" + GetParam() + "/";
    temp_dir run;
    std::vector<std::string> left;
    if (file_exists(dir + "expected.log"))
        left.push_back("KESTRA.log");
    if (file_exists(dir + "expected.pls"))
        left.push_back("input.sql.pls");
    for (const std::string &name : case_inputs(dir)) {
        run.write(name, read_file(dir + name)); // input.sql and any file an option names
        left.push_back(name);
    }
    std::sort(left.begin(), left.end());
    std::vector<std::string> args;
    std::istringstream options(read_file(dir + "args"));
    for (std::string a; options >> a;)
        args.push_back(a);
    args.push_back("input.sql");

    // Further files the run writes (DDL scripts), each with its expectation.
    std::vector<std::string> written;
    for (const std::string &name : case_expectations(dir)) {
        const std::string file = name.substr(9);
        if (file != "pls" && file != "log" && file != "out" && file != "err" && file != "status") {
            written.push_back(file);
            left.push_back(file);
        }
    }
    std::sort(left.begin(), left.end());

    run_result r = run_kestra(run, args, "kestra");
    const std::string status = read_file(dir + "expected.status");
    EXPECT_EQ(r.status, status.empty() ? 0 : std::stoi(status));
    expect_output(GetParam(), "pls", run.read("input.sql.pls"), read_file(dir + "expected.pls"));
    expect_output(GetParam(), "log", run.read("KESTRA.log"), read_file(dir + "expected.log"));
    expect_output(GetParam(), "out", mask_banner_date(r.out), read_file(dir + "expected.out"));
    expect_output(GetParam(), "err", r.err, read_file(dir + "expected.err"));
    for (const std::string &file : written)
        expect_output(GetParam(), file, run.read(file), read_file(dir + "expected." + file));
    // Nothing but the inputs, the script and the log (where expected) is left behind.
    EXPECT_EQ(run.entries(), left);
}

INSTANTIATE_TEST_SUITE_P(Units, Golden, testing::ValuesIn(golden_cases()),
                         [](const testing::TestParamInfo<std::string> &info) {
                             return info.param;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Golden);
