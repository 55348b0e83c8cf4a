// Delimited records, one per line: comma-separated as RFC 4180 writes them,
// or separated by tabs, semicolons, or runs of blanks (as cs2cs reads them).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace batch {

// The delimiter ' ' stands for runs of blanks and tabs; leading and trailing
// ones are ignored.
inline constexpr char kBlankRuns = ' ';

// Splits one line (without its line end) into fields. A quoted field may hold
// delimiters, blanks and doubled quotes; a quote anywhere else is an error.
// The views point into `line`, or into `unquoted` for fields with doubled
// quotes; both buffers are reused from call to call. False with `error` set
// on a malformed line.
bool Split_Record(std::string_view line, std::vector<std::string_view>& fields,
                  std::string& unquoted, std::string& error, char delimiter = ',');

// True when the field must be quoted for a reader to get it back: it holds
// the delimiter, a quote or a line end, or begins or ends with a blank (with
// blank runs as delimiter: holds any blank or tab, or is empty).
bool Needs_Quotes(std::string_view field, char delimiter = ',');

// Appends a field, quoted when Needs_Quotes.
void Append_Field(std::string& out, std::string_view field, char delimiter = ',');

// Finds where records end: at a line feed outside quotes. A quote opens a
// field only at the field's start, as Split_Record reads it, so a stray quote
// inside a field does not swallow the lines after it; a quoted field may
// hold line breaks (RFC 4180). The state carries over from one call to the
// next, so a text may be fed in pieces.
class RecordScanner {
  public:
    explicit RecordScanner(char delimiter = ',') : delimiter_(delimiter) {}
    // Offset just past the first record end in `text`, or npos when the
    // record goes on beyond it.
    size_t First_End(std::string_view text);
    // Offset just past the last record end in `text`, or npos.
    size_t Last_End(std::string_view text);

  private:
    enum class State { FieldStart, Plain, Quoted, Closed };
    void step(std::string_view bytes);
    char delimiter_;
    State state_ = State::FieldStart;
};

// The first `max` characters of a UTF-8 text, "..." added when cut; for
// echoing a field in a message.
std::string Cut_For_Message(std::string_view text, size_t max = 40);

} // namespace batch
