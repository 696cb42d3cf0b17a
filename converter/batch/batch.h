// kestra-batch: the records that travel from a conversion worker to the driver and into the
// report, and the entry points of the batch modules (unit search, conversion, report).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
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
    bool no_units = false; // the converter read the source and found no unit in it
    bool refused = false;  // the converter stopped on the source before finding any unit
    std::string skipped;   // why the search passed over this file (nothing converted)
    int64_t bytes = 0;
    int lines = 0;
    double seconds = 0;
    std::vector<unit_result> units;
    // What the driver moves into place from the worker: the outputs (where each waits, its
    // name in dest_dir) and the run's log text (has_log: the run left a log), and whether the
    // conversion had a work directory of its own (task.work_dir) to remove.
    std::vector<std::pair<std::string, std::string>> moves;
    std::string log;
    bool has_log = false;
    bool private_dir = false;

    int converted() const;
    int failed() const;
    int diagnostics() const;
    // Not read, not written, or the conversion crashed.
    bool unreadable() const { return !error.empty() && !no_units && !refused && skipped.empty(); }
    // "skipped", "error", "failed" (a unit failed, or the converter refused the source),
    // "no_units" or "converted".
    const char *status() const;
};

// The counts that the console and the three reports share.
struct totals {
    int files = 0;    // sources converted or tried (skipped files not counted)
    int skipped = 0;  // files the search passed over
    int no_units = 0; // sources without a unit
    int errors = 0;   // sources of status "error"
    int refused = 0;  // sources the converter refused as a whole
    int units = 0, converted = 0, failed = 0, diagnostics = 0;
    int64_t bytes = 0, lines = 0;
};
totals count_totals(const std::vector<file_result> &files);

// One source to convert: absolute paths, the converter options as kestra takes them.
struct task {
    std::string source;   // absolute path of the source
    std::string dest_dir; // absolute directory that receives the script, DDL files and log
    std::string work_dir; // absolute private directory in dest_dir for this conversion
    std::vector<std::string> options;
    long driver = 0; // process number of the driver
    long index = 0;  // the task's number in the run
};

// The directory in dest_dir that a worker of the driver uses for the sources there, unless a
// source needs a directory of its own (task.work_dir).
std::string scratch_dir(const std::string &dest_dir, long driver, long worker);

// The text the converter reads from the raw bytes of a source file: a UTF-16 source (with its
// byte-order mark) decoded to UTF-8, any other source as it is.
std::string source_text(const std::string &raw);

// The units of a source as the converter's scanner finds them: each unit head (CREATE
// PROCEDURE or CREATE TRIGGER) with the name after it, the line of the head and the line of
// the last token before the next head. Runs the scanner on a copy of the text, from the
// program-start values of the conversion state's scalars (reset_scan_state: the scanner reads
// the lists only up to those counters); the state is left as the scan leaves it (a conversion
// starts from the program-start values by itself).
std::vector<unit_result> find_units(const std::string &source);

// Converts one source in the worker's directory in dest_dir (or in task.work_dir, created
// here): the whole source as kestra would; when that fails, unit by unit, keeping every unit
// that converts. The script and the DDL files are left where the result's moves say, for the
// driver to move into dest_dir; the log text travels in the result.
file_result convert_source(const task &t);

// The output names that a conversion leaves in its work directory for dest_dir.
bool is_output_name(const std::string &name, const std::string &source_base);

// Result records over the worker pipe.
std::string encode_result(const file_result &r);
bool decode_result(const char *data, size_t size, file_result &r);

// The three reports in `dir` (written under temporary names, then renamed): kestra-report.json,
// kestra-report.csv and kestra-report.html. Returns false with `error` set on a write failure.
bool write_reports(const std::string &dir, const std::vector<file_result> &files,
                   const std::vector<std::string> &options, double seconds, std::string &error);

// A text built by appending, as an output string stream would write it (numbers in decimal),
// without the stream's formatting machinery: the reports and result records are built
// field by field, and the finished text is taken with take() instead of copied.
class text_builder {
  public:
    text_builder &operator<<(const std::string &s) {
        text_ += s;
        return spill();
    }
    text_builder &operator<<(const char *s) {
        text_ += s;
        return spill();
    }
    text_builder &operator<<(char c) {
        text_ += c;
        return spill();
    }
    template <class T,
              std::enable_if_t<std::is_integral<T>::value && !std::is_same<T, char>::value &&
                                   !std::is_same<T, bool>::value,
                               int> = 0>
    text_builder &operator<<(T v) {
        if constexpr (std::is_signed<T>::value)
            return number(static_cast<long long>(v));
        else
            return unsigned_number(static_cast<unsigned long long>(v));
    }
    // A double as "%.17g" writes it (a stream of precision 17 in its default notation).
    text_builder &exact(double v);
    std::string take() { return std::move(text_); }
    const std::string &str() const { return text_; }

    // From here on the text goes to the open file `fd` whenever it passes some 64 KB, so that a
    // text of any length takes no more memory than that; done() writes the rest and tells
    // whether every write succeeded.
    void write_to(int fd);
    bool done();

  private:
    text_builder &spill() {
        if (fd_ >= 0 && text_.size() >= spill_size)
            write_out();
        return *this;
    }
    void write_out();
    text_builder &number(long long v);
    text_builder &unsigned_number(unsigned long long v);
    static constexpr size_t spill_size = 65536;
    std::string text_;
    int fd_ = -1;
    bool failed_ = false;
};

// Small file helpers.
// What is left to read of the open file `fd`, appended to `into` (`error` set on a read error).
bool read_rest(int fd, std::string &into, std::string *error = nullptr);
bool read_whole(const std::string &path, std::string &into, std::string *error = nullptr);
bool write_whole(const std::string &path, const std::string &data);
void remove_tree(const std::string &path);
std::string base_name(const std::string &path);

} // namespace batch
