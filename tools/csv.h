// Comma-separated records as RFC 4180 writes them, one record per line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace batch {

// Splits one line (without its line end) into fields. A quoted field may hold
// commas, blanks and doubled quotes; a quote anywhere else is an error. The
// views point into `line`, or into `unquoted` for fields with doubled quotes;
// both buffers are reused from call to call. False with `error` set on a
// malformed line.
bool Split_Record(std::string_view line, std::vector<std::string_view>& fields,
                  std::string& unquoted, std::string& error);

// True when the field must be quoted for a reader to get it back: it holds a
// comma, a quote or a line end, or begins or ends with a blank.
bool Needs_Quotes(std::string_view field);

// Appends a field, quoted when Needs_Quotes.
void Append_Field(std::string& out, std::string_view field);

} // namespace batch
