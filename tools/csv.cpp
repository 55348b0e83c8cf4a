#include "csv.h"

#include <cstring>

namespace batch {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

bool Split_Record(std::string_view line, std::vector<std::string_view>& fields,
                  std::string& unquoted, std::string& error, char delimiter) {
    fields.clear();
    const bool runs = delimiter == kBlankRuns;
    if (runs) {
        while (!line.empty() && isBlank(line.front()))
            line.remove_prefix(1);
        while (!line.empty() && isBlank(line.back()))
            line.remove_suffix(1);
    }
    const char* p = line.data();
    const char* const end = p + line.size();
    auto isSeparator = [&](const char* q) { return runs ? isBlank(*q) : *q == delimiter; };
    // After a separator; blank runs count as one.
    auto skipSeparator = [&](const char*& q) {
        ++q;
        if (runs)
            while (q != end && isBlank(*q))
                ++q;
    };
    // An empty view may have no buffer at all, and memchr must not see a null pointer.
    if (line.empty() || !std::memchr(p, '"', line.size())) {
        // The common case: nothing quoted.
        const char* start = p;
        while (p != end) {
            if (isSeparator(p)) {
                fields.emplace_back(start, size_t(p - start));
                skipSeparator(p);
                start = p;
            } else {
                ++p;
            }
        }
        fields.emplace_back(start, size_t(end - start));
        return true;
    }
    // Never longer than the line, so the views into it stay valid.
    unquoted.clear();
    unquoted.reserve(line.size());
    for (;;) {
        if (p != end && *p == '"') {
            ++p;
            const char* start = p;
            bool doubled = false;
            const size_t mark = unquoted.size();
            for (;;) {
                const char* q = static_cast<const char*>(std::memchr(p, '"', size_t(end - p)));
                if (!q) {
                    error = "unterminated quoted field";
                    return false;
                }
                unquoted.append(p, size_t(q - p));
                p = q + 1;
                if (p != end && *p == '"') {
                    unquoted.push_back('"');
                    doubled = true;
                    ++p;
                    continue;
                }
                if (doubled)
                    fields.emplace_back(unquoted.data() + mark, unquoted.size() - mark);
                else
                    fields.emplace_back(start, size_t(q - start));
                break;
            }
            if (p == end)
                return true;
            if (!isSeparator(p)) {
                error = "text after a closing quote";
                return false;
            }
            skipSeparator(p);
        } else {
            const char* start = p;
            while (p != end && !isSeparator(p)) {
                if (*p == '"') {
                    error = "quote inside an unquoted field";
                    return false;
                }
                ++p;
            }
            fields.emplace_back(start, size_t(p - start));
            if (p == end)
                return true;
            skipSeparator(p);
        }
    }
}

bool Needs_Quotes(std::string_view field, char delimiter) {
    if (field.empty())
        return delimiter == kBlankRuns; // an empty field would vanish between blanks
    if (field.front() == ' ' || field.back() == ' ')
        return true;
    for (char c : field)
        if (c == delimiter || c == '"' || c == '\r' || c == '\n' ||
            (delimiter == kBlankRuns && c == '\t'))
            return true;
    return false;
}

void RecordScanner::step(std::string_view bytes) {
    const bool runs = delimiter_ == kBlankRuns;
    for (char c : bytes) {
        const bool separator = c == delimiter_ || (runs && isBlank(c));
        switch (state_) {
        case State::FieldStart:
            if (c == '"')
                state_ = State::Quoted;
            else if (!separator)
                state_ = State::Plain;
            break;
        case State::Plain:
            if (separator)
                state_ = State::FieldStart;
            break;
        case State::Quoted:
            if (c == '"')
                state_ = State::Closed;
            break;
        case State::Closed:
            if (c == '"')
                state_ = State::Quoted; // a doubled quote
            else
                state_ = separator ? State::FieldStart : State::Plain; // Plain: refused later
            break;
        }
    }
}

size_t RecordScanner::First_End(std::string_view text) {
    size_t from = 0;
    while (from < text.size()) {
        const char* nl =
            static_cast<const char*>(std::memchr(text.data() + from, '\n', text.size() - from));
        if (!nl) {
            step(text.substr(from));
            return std::string_view::npos;
        }
        const size_t end = size_t(nl - text.data());
        const std::string_view line = text.substr(from, end - from);
        // Most lines hold no quote and end their record.
        if (state_ != State::FieldStart || std::memchr(line.data(), '"', line.size()))
            step(line);
        if (state_ != State::Quoted) {
            state_ = State::FieldStart;
            return end + 1;
        }
        from = end + 1; // the line feed belongs to the quoted field
    }
    return std::string_view::npos;
}

size_t RecordScanner::Last_End(std::string_view text) {
    // Text without a quote, outside a quoted field: the last line feed ends
    // a record, found without a step per record.
    if (!text.empty() && (state_ == State::FieldStart || state_ == State::Plain) &&
        !std::memchr(text.data(), '"', text.size())) {
        const void* nl = ::memrchr(text.data(), '\n', text.size());
        const char last = text.back();
        const bool separator = last == delimiter_ || last == '\n' ||
                               (delimiter_ == kBlankRuns && isBlank(last));
        state_ = separator ? State::FieldStart : State::Plain;
        return nl ? size_t(static_cast<const char*>(nl) - text.data()) + 1
                  : std::string_view::npos;
    }
    size_t last = std::string_view::npos, from = 0;
    for (;;) {
        const size_t e = First_End(text.substr(from));
        if (e == std::string_view::npos)
            return last;
        from += e;
        last = from;
    }
}

std::string Cut_For_Message(std::string_view text, size_t max) {
    size_t chars = 0, i = 0;
    for (; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == max)
                return std::string(text.substr(0, i)) + "...";
            ++chars;
        }
    }
    return std::string(text);
}

void Append_Field(std::string& out, std::string_view field, char delimiter) {
    if (!Needs_Quotes(field, delimiter)) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

} // namespace batch
