// Golden cases of whole units: each directory under golden/ holds a source "input.sql", the
// options in "args" (optional, separated by blanks) and the expected output script
// "expected.pls", log "expected.log", console texts "expected.out" / "expected.err" (missing
// means empty) and exit status "expected.status" (missing means 0). A case without
// "expected.pls" or "expected.log" expects no such file to be left. Each case runs the kestra
// executable in a fresh directory and compares byte for byte, masking only the banner's date.
// Other files of a case directory (a user datatype file) are copied next to the source.
#include <gtest/gtest.h>

#include <dirent.h>

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
    EXPECT_EQ(run.read("input.sql.pls"), read_file(dir + "expected.pls"));
    EXPECT_EQ(run.read("KESTRA.log"), read_file(dir + "expected.log"));
    EXPECT_EQ(mask_banner_date(r.out), read_file(dir + "expected.out"));
    EXPECT_EQ(r.err, read_file(dir + "expected.err"));
    for (const std::string &file : written)
        EXPECT_EQ(run.read(file), read_file(dir + "expected." + file)) << file;
    // Nothing but the inputs, the script and the log (where expected) is left behind.
    EXPECT_EQ(run.entries(), left);
}

INSTANTIATE_TEST_SUITE_P(Units, Golden, testing::ValuesIn(golden_cases()),
                         [](const testing::TestParamInfo<std::string> &info) {
                             return info.param;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Golden);
