// kestra-batch: the records that travel from a conversion worker to the driver and into the
// report, and the entry points of the batch modules (unit search, conversion, report).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace batch {

struct diagnostic {
    int line = 0;
    std::string text;
    bool fatal = false; // the diagnostic that stopped the unit's conversion
};

struct unit_result {
    std::string name;
    std::string kind; // "procedure" or "trigger"
    int first_line = 0;
    int last_line = 0;
    size_t offset = 0; // byte offset of the unit head in the source
    size_t end = 0;    // byte offset just past the unit's last token (worker side only)
    bool failed = false;
    std::vector<diagnostic> diagnostics;
    std::vector<std::pair<int, std::string>> context; // source lines around the fatal one
};

struct file_result {
    std::string path;      // the source as found (relative to the working directory or absolute)
    std::string output;    // the output script, shown the same way
    std::string error;     // set when the source could not be read or converted at all
    bool no_units = false; // the error is the converter's: it found no unit to convert
    int64_t bytes = 0;
    int lines = 0;
    double seconds = 0;
    std::vector<unit_result> units;

    int converted() const;
    int failed() const;
    int diagnostics() const;
    bool unreadable() const { return !error.empty() && !no_units; } // read, write or crash
};

// One source to convert: absolute paths, the converter options as kestra takes them.
struct task {
    std::string source;   // absolute path of the source
    std::string dest_dir; // absolute directory that receives the script, DDL files and log
    std::string work_dir; // absolute private directory in dest_dir for this conversion
    std::vector<std::string> options;
};

// The units of a source as the converter's scanner finds them: each unit head (CREATE
// PROCEDURE or CREATE TRIGGER) with the name after it, the line of the head and the line of
// the last token before the next head. Runs the scanner on a copy of the text; the conversion
// state is left at its program-start values.
std::vector<unit_result> find_units(const std::string &source);

// Converts one source into task.work_dir (created here): the whole source as kestra would;
// when that fails, unit by unit, keeping every unit that converts. The script, the DDL files
// and KESTRA.log are left in work_dir for the driver to move into dest_dir.
file_result convert_source(const task &t);

// The output names that a conversion leaves in its work directory for dest_dir.
bool is_output_name(const std::string &name, const std::string &source_base);

// Result records over the worker pipe.
std::string encode_result(const file_result &r);
bool decode_result(const std::string &data, file_result &r);

// The three reports in `dir` (written under temporary names, then renamed): kestra-report.json,
// kestra-report.csv and kestra-report.html. Returns false with `error` set on a write failure.
bool write_reports(const std::string &dir, const std::vector<file_result> &files,
                   const std::vector<std::string> &options, double seconds, std::string &error);

// Small file helpers.
bool read_whole(const std::string &path, std::string &into, std::string *error = nullptr);
bool write_whole(const std::string &path, const std::string &data);
void remove_tree(const std::string &path);
std::string base_name(const std::string &path);

} // namespace batch
