// Runs a batch command over a stream of records in constant memory.
#pragma once

#include "records.h"

#include <cstdint>

namespace batch {

// Takes the converted records of a run, in input order, on the caller's
// thread (--output).
class RecordSink {
  public:
    virtual ~RecordSink() = default;
    // Once, before the first record, with the header read (s.headerNames).
    // False with Error() set when nothing can be written.
    virtual bool Begin(const Settings& s) = 0;
    // One converted record: where it lies (Converter::X, Y) and its cells,
    // the record's fields (none with --results-only) and then the results,
    // numbers with a decimal point.
    virtual bool Add(double x, double y, const std::vector<std::string_view>& cells) = 0;
    virtual std::string Error() const = 0;
};

struct StreamOptions {
    int in = 0;             // file descriptor of the records
    int out = 1;            // results
    int err = 2;            // refusals, one line each, and the progress bar
    bool progress = false;  // draw a progress bar on `err`
    int64_t totalBytes = 0; // size of the input, for the bar
    unsigned threads = 0;   // 0: one per core
    size_t chunkBytes = size_t(1) << 20;
    // Convert and write each line as soon as it is read (a pipe or a
    // terminal); otherwise large chunks on a pool of threads.
    bool lineByLine = false;
    // The file's name as given, for the messages ("points.csv:12: ...");
    // empty for standard input ("line 12: ...").
    std::string name;
    // Instead of lines on `out`: converted records only, as cells.
    RecordSink* sink = nullptr;
};

struct StreamResult {
    uint64_t records = 0; // converted
    uint64_t failed = 0;  // refused
    bool ioError = false; // reading or writing failed; message already on `err`
    bool usage = false;   // --fields names a column the header lacks; message on `err`
};

// Reads records from o.in until its end (UTF-8, or UTF-16 with a byte-order
// mark, written out as UTF-8) and writes each converted record,
// in input order, to o.out. Large inputs are cut into chunks of whole lines
// converted on a pool of threads; small ones are converted on the caller's.
StreamResult Run_Stream(const Settings& s, const StreamOptions& o);

} // namespace batch
