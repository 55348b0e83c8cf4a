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

} // namespace batch
