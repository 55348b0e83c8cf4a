#include "stream.h"

#include "csv.h"
#include "geodesy.h"
#include "numtext.h"
#include "upperstate.h"

#include <QStringDecoder>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace batch {

namespace {

constexpr const char* kPrefix = "quillmar-batch: ";

struct Chunk {
    std::string input; // whole records; the last may lack its line end
    uint64_t firstLine = 1;
    bool headerPending = false; // the first record that is no comment is the header
    std::string output;
    std::string errors; // "line N: message\n" lines, in input order
    uint64_t records = 0;
    uint64_t failed = 0;
    bool stopped = false; // a refusal ended the run here
    // For a RecordSink: each converted record's point and cell count, and
    // the cells of all of them in turn.
    std::vector<std::pair<double, double>> points;
    std::vector<size_t> cellCounts;
    std::vector<std::string> cells;

    void clearResults(bool header) {
        headerPending = header;
        output.clear();
        errors.clear();
        records = failed = 0;
        stopped = false;
        points.clear();
        cellCounts.clear();
        cells.clear();
    }
};

// True when no field of the line needs quotes, so it can be written back as
// it was read.
bool echoesAsRead(std::string_view line, char delimiter) {
    if (delimiter == kBlankRuns)
        return false; // runs of blanks are written back as one
    // A blank needs quotes only at a field's start or end; one inside a
    // field ("oak 0.4 m", a note column passed through) is written as read.
    const size_t n = line.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = line[i];
        if (c == '"' || c == '\r')
            return false;
        if (c == ' ' && (i == 0 || i + 1 == n || line[i - 1] == delimiter ||
                         line[i + 1] == delimiter))
            return false;
    }
    return true;
}

// Blank lines and comments are copied where they stand.
bool isComment(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == '#';
}

void convertRecords(const Settings& s, const std::string& name, Chunk& c) {
    Converter conv(s);
    const FieldLayout layout = Layout_Of(s);
    std::vector<std::string_view> fields, picked;
    std::vector<std::string> commaFixed(layout.kinds.size());
    std::string unquoted;
    std::string message;
    std::string layerOut, unquotedResults;
    std::vector<std::string_view> resultCells;
    const bool pick = !s.columns.empty();
    // With --fields the records keep their own columns: as many as the
    // header's, or at least the highest named.
    const size_t expected =
        !pick ? Field_Count(s)
              : s.header && s.headerFields ? s.headerFields
                                           : *std::max_element(s.columns.begin(), s.columns.end()) + 1;
    const bool atLeast = pick && !(s.header && s.headerFields);
    const std::vector<std::string> results = Result_Names(s);
    const char d = s.delimiter;
    const char out = d == kBlankRuns ? ' ' : d;
    c.output.reserve(c.input.size() * 2 + 64);
    std::string_view rest(c.input);
    uint64_t lineNo = c.firstLine;
    RecordScanner scanner(d);
    // One look over the chunk spares most chunks a look at each line.
    const bool anyQuote = std::memchr(c.input.data(), '"', c.input.size()) != nullptr;
    auto refuse = [&](std::string_view line, std::string_view why) {
        c.errors += kPrefix;
        if (name.empty())
            c.errors += "line ";
        else
            c.errors.append(name).push_back(':');
        c.errors += std::to_string(lineNo);
        c.errors += ": ";
        c.errors.append(why);
        c.errors += '\n';
        ++c.failed;
        if (s.onError == Settings::OnError::Mark && !s.layer) {
            // The line as read, so output lines stay level with input lines.
            if (!s.resultsOnly)
                c.output.append(line);
            for (size_t i = 0; i < results.size(); ++i) {
                if (i || !s.resultsOnly)
                    c.output.push_back(out);
                c.output.push_back('*');
            }
            c.output.push_back('\n');
        } else if (s.onError == Settings::OnError::Stop) {
            c.stopped = true;
        }
    };
    while (!rest.empty() && !c.stopped) {
        // Most lines hold no quote and are a record each; only a line with a
        // quote may go on, in a quoted field, over the next line end.
        const char* nl = static_cast<const char*>(std::memchr(rest.data(), '\n', rest.size()));
        size_t end = nl ? size_t(nl - rest.data()) + 1 : std::string_view::npos;
        const bool quoted = anyQuote && std::memchr(rest.data(), '"', nl ? end - 1 : rest.size());
        if (quoted)
            end = scanner.First_End(rest);
        std::string_view line = rest.substr(0, end == std::string_view::npos ? rest.size() : end - 1);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
        if (end == std::string_view::npos && !line.empty() && line.back() == '\n')
            line.remove_suffix(1); // an unterminated quote ran to the end of the input
        // A quoted field may hold line ends; the next record's number counts them.
        const uint64_t lines = quoted ? 1 + uint64_t(std::count(line.begin(), line.end(), '\n')) : 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (lineNo == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
            line.remove_prefix(3); // a byte-order mark is not part of the first field
        if (s.layer && c.headerPending && !isComment(line)) {
            c.headerPending = false; // the layer's column names (s.headerNames)
        } else if (s.layer && isComment(line)) {
            // A layer has no place for comments.
        } else if (c.headerPending && !isComment(line)) {
            c.headerPending = false;
            if (!s.resultsOnly)
                c.output.append(line);
            for (size_t i = 0; i < results.size(); ++i) {
                if (i || !s.resultsOnly)
                    c.output.push_back(out);
                Append_Field(c.output, results[i], d);
            }
            c.output.push_back('\n');
            if (!pick && s.headerFields && s.headerFields != expected) {
                // Reported, not marked: the header line is written as it is.
                c.errors += kPrefix;
                if (name.empty())
                    c.errors += "line ";
                else
                    c.errors.append(name).push_back(':');
                c.errors += std::to_string(lineNo) + ": the header names " +
                            std::to_string(s.headerFields) + " columns, the records have " +
                            std::to_string(expected) + " fields\n";
                ++c.failed;
            }
        } else if (isComment(line)) {
            c.output.append(line);
            c.output.push_back('\n');
        } else if (!atLeast && line.size() > 4096 && d != kBlankRuns &&
                   !std::memchr(line.data(), '"', line.size()) &&
                   size_t(std::count(line.begin(), line.end(), d)) + 1 != expected) {
            // A long line of the wrong count is refused without a view per
            // field: a 50 MB line of commas would otherwise take 400 MB.
            refuse(line, "expected " + std::to_string(expected) + " fields" +
                             (pick ? " (as the header)" : "") + ", found " +
                             std::to_string(std::count(line.begin(), line.end(), d) + 1));
        } else if (!Split_Record(line, fields, unquoted, message, d)) {
            refuse(line, message);
        } else if (atLeast ? fields.size() < expected : fields.size() != expected) {
            refuse(line, std::string(atLeast ? "expected at least " : "expected ") +
                             std::to_string(expected) + " fields" +
                             (pick && !atLeast ? " (as the header)" : "") + ", found " +
                             std::to_string(fields.size()));
        } else {
            const std::vector<std::string_view>* use = &fields;
            if (pick || s.decimalComma) {
                picked.clear();
                for (size_t i = 0; i < layout.kinds.size(); ++i)
                    picked.push_back(pick ? fields[s.columns[i]] : fields[i]);
                if (s.decimalComma)
                    for (size_t i = 0; i < picked.size(); ++i) {
                        const FieldLayout::Kind k = layout.kinds[i];
                        if ((k == FieldLayout::Kind::Number ||
                             k == FieldLayout::Kind::DmsLatitude ||
                             k == FieldLayout::Kind::DmsLongitude) &&
                            picked[i].find(',') != std::string_view::npos) {
                            commaFixed[i].assign(picked[i]);
                            std::replace(commaFixed[i].begin(), commaFixed[i].end(), ',', '.');
                            picked[i] = commaFixed[i];
                        }
                    }
                use = &picked;
            }
            if (s.strict && !conv.Check(*use, message)) {
                refuse(line, message);
            } else if (s.layer) {
                layerOut.clear();
                if (conv.Convert(*use, layerOut, message) &&
                    Split_Record(std::string_view(layerOut).substr(1), resultCells,
                                 unquotedResults, message, d)) {
                    size_t n = 0;
                    auto cell = [&](std::string_view t) {
                        std::string v(t);
                        if (s.decimalComma && v.find(',') != std::string::npos) {
                            std::string dot = v;
                            std::replace(dot.begin(), dot.end(), ',', '.');
                            if (numtext::Is_Number(dot))
                                v.swap(dot);
                        }
                        c.cells.push_back(std::move(v));
                        ++n;
                    };
                    if (!s.resultsOnly)
                        for (std::string_view f : fields)
                            cell(f);
                    for (std::string_view r : resultCells)
                        cell(r);
                    c.points.emplace_back(conv.X(), conv.Y());
                    c.cellCounts.push_back(n);
                    ++c.records;
                } else {
                    refuse(line, message);
                }
            } else {
                const size_t mark = c.output.size();
                if (s.resultsOnly) {
                    // The results' own leading delimiter is dropped below.
                } else if (echoesAsRead(line, d)) {
                    // Written back as read: nothing in it needs quotes.
                    c.output.append(line);
                } else {
                    for (size_t i = 0; i < fields.size(); ++i) {
                        if (i)
                            c.output.push_back(out);
                        Append_Field(c.output, fields[i], d);
                    }
                }
                if (conv.Convert(*use, c.output, message)) {
                    if (s.resultsOnly)
                        c.output.erase(mark, 1);
                    c.output.push_back('\n');
                    ++c.records;
                } else {
                    c.output.resize(mark);
                    refuse(line, message);
                }
            }
        }
        lineNo += lines;
    }
}

// The fault flags are read once for the chunk rather than after every
// conversion. Only where one went up are the records converted again, each
// checked on its own, to refuse exactly the records that fault.
void convertChunk(const Settings& s, const std::string& name, Chunk& c) {
    // On whichever thread runs it, and whatever ran on that thread before.
    Clean_Upper_State();
    const bool headerPending = c.headerPending;
    {
        const geo::DeferredChecks checks;
        convertRecords(s, name, c);
        if (!checks.Faulted()) [[likely]]
            return;
    }
    c.clearResults(headerPending);
    convertRecords(s, name, c);
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(size_t(n));
    }
    return true;
}

// Appends what one read gives to `buf`; 0 at the end, -1 on error.
ssize_t readSome(int fd, std::string& buf) {
    char block[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            buf.append(block, size_t(n));
        return n;
    }
}

// The input as UTF-8: a UTF-16 file with its byte-order mark (a
// spreadsheet's "Unicode text") is decoded as it is read.
class Reader {
  public:
    explicit Reader(int fd) : fd_(fd) {}
    // Appends to `buf`; the count appended, 0 at the end, -1 on error.
    ssize_t read(std::string& buf) {
        if (decided_ && !decoder_)
            return readSome(fd_, buf); // the common case: no copy
        for (;;) {
            const ssize_t n = readSome(fd_, raw_);
            if (n < 0)
                return -1;
            if (!decided_) {
                if (n > 0 && raw_.size() < 2)
                    continue;
                decided_ = true;
                const auto b0 = raw_.size() >= 2 ? static_cast<unsigned char>(raw_[0]) : 0;
                const auto b1 = raw_.size() >= 2 ? static_cast<unsigned char>(raw_[1]) : 0;
                if (b0 == 0xFF && b1 == 0xFE)
                    decoder_.emplace(QStringDecoder::Utf16LE);
                else if (b0 == 0xFE && b1 == 0xFF)
                    decoder_.emplace(QStringDecoder::Utf16BE);
                if (decoder_)
                    raw_.erase(0, 2);
            }
            size_t added = raw_.size();
            if (decoder_) {
                const QByteArray text =
                    QString((*decoder_)(QByteArrayView(raw_.data(), qsizetype(raw_.size()))))
                        .toUtf8();
                buf.append(text.constData(), size_t(text.size()));
                added = size_t(text.size());
            } else if (buf.empty()) {
                buf.swap(raw_);
            } else {
                buf += raw_;
            }
            raw_.clear();
            if (added > 0)
                return ssize_t(added);
            if (n == 0)
                return 0;
        }
    }

  private:
    int fd_;
    std::string raw_;
    bool decided_ = false;
    std::optional<QStringDecoder> decoder_;
};

class Pool {
  public:
    explicit Pool(unsigned n) {
        for (unsigned i = 0; i < n; ++i)
            threads_.emplace_back([this] { run(); });
    }
    ~Pool() {
        {
            std::lock_guard lock(m_);
            stop_ = true;
        }
        cv_.notify_all();
        for (auto& t : threads_)
            t.join();
    }
    std::future<void> submit(std::function<void()> job) {
        auto task = std::make_shared<std::packaged_task<void()>>(std::move(job));
        std::future<void> f = task->get_future();
        {
            std::lock_guard lock(m_);
            jobs_.push_back([task] { (*task)(); });
        }
        cv_.notify_one();
        return f;
    }

  private:
    void run() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(m_);
                cv_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
                if (jobs_.empty())
                    return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
    }
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    bool stop_ = false;
};

class Progress {
  public:
    Progress(int fd, bool on, int64_t total) : fd_(fd), on_(on && total > 0), total_(total) {}
    void update(int64_t done) {
        if (!on_)
            return;
        const int pct = int(std::min<int64_t>(100, done * 100 / total_));
        if (pct == shown_)
            return;
        shown_ = pct;
        constexpr int width = 40;
        std::string bar = "\r[";
        const int filled = pct * width / 100;
        bar.append(size_t(filled), '#');
        bar.append(size_t(width - filled), ' ');
        bar += "] " + std::to_string(pct) + "%";
        writeAll(fd_, bar);
    }
    // Wipes the bar so a message can take the line.
    void clear() {
        if (!on_ || shown_ < 0)
            return;
        writeAll(fd_, "\r" + std::string(48, ' ') + "\r");
        shown_ = -1;
    }

  private:
    int fd_;
    bool on_;
    int64_t total_;
    int shown_ = -1;
};

// Reads the header (the first record that is no comment) before any record
// is converted: its fields give the records' count and the columns --fields
// names. False, with the message written, when a named column is missing.
// `complete`: no more input will come, so a missing header is final.
// Returns 1 when prepared, 0 when the header has not arrived yet, -1 on
// failure.
int prepareHeader(Settings& s, std::string_view input, bool complete, const std::string& source,
                  const StreamOptions& o, StreamResult& result) {
    RecordScanner scanner(s.delimiter);
    std::vector<std::string_view> fields;
    std::string unquoted, error;
    bool first = true;
    while (!input.empty()) {
        const size_t end = scanner.First_End(input);
        std::string_view line = input.substr(0, end == std::string_view::npos ? input.size() : end - 1);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (first && line.substr(0, 3) == "\xEF\xBB\xBF")
            line.remove_prefix(3);
        first = false;
        if (isComment(line))
            continue;
        if (end == std::string_view::npos && !complete)
            return 0; // the header line is still arriving
        if (Split_Record(line, fields, unquoted, error, s.delimiter)) {
            s.headerFields = fields.size();
            s.headerNames.assign(fields.begin(), fields.end());
            if (Resolve_Columns(s, fields, error))
                return 1;
        }
        break;
    }
    if (error.empty() && !complete)
        return 0;
    if (s.columnNames.empty())
        return 1;
    if (error.empty())
        error = "--fields: no header line";
    writeAll(o.err, std::string(kPrefix) + source + ": " + error + "\n");
    result.usage = true;
    return -1;
}

} // namespace

StreamResult Run_Stream(const Settings& settings, const StreamOptions& o) {
    StreamResult result;
    Settings s = settings; // with the header's columns, once read
    const std::string source = o.name.empty() ? std::string("standard input") : o.name;
    Reader reader(o.in);
    Progress progress(o.err, o.progress, o.totalBytes);
    int64_t consumed = 0;
    bool writeFailed = false;

    bool stopped = false;
    auto finish = [&](Chunk& c) {
        if (stopped)
            return; // after a refusal that ends the run nothing more is written
        stopped = c.stopped;
        result.records += c.records;
        result.failed += c.failed;
        if (!c.errors.empty()) {
            progress.clear();
            writeAll(o.err, c.errors);
        }
        if (o.sink) {
            size_t k = 0;
            std::vector<std::string_view> cells;
            for (size_t i = 0; i < c.points.size() && !writeFailed; ++i) {
                cells.assign(c.cells.begin() + long(k), c.cells.begin() + long(k + c.cellCounts[i]));
                k += c.cellCounts[i];
                if (!o.sink->Add(c.points[i].first, c.points[i].second, cells)) {
                    writeFailed = true;
                    progress.clear();
                    writeAll(o.err, std::string(kPrefix) + o.sink->Error() + "\n");
                }
            }
            if (writeFailed)
                stopped = true;
        } else if (!writeFailed && !writeAll(o.out, c.output)) {
            writeFailed = true;
            progress.clear();
            writeAll(o.err, std::string(kPrefix) + "cannot write standard output: " +
                                std::strerror(errno) + "\n");
        }
        consumed += int64_t(c.input.size());
        progress.update(consumed);
    };

    // Cuts the input into chunks of whole records. Only the bytes a read
    // adds are scanned, so a long line costs time in proportion to its length.
    std::string carry;
    bool atEnd = false;
    uint64_t nextLine = 1;
    RecordScanner scanner(s.delimiter);
    size_t scanned = 0; // of the carried bytes, all scanned already
    auto nextChunk = [&](Chunk& c) -> bool {
        if (atEnd && carry.empty())
            return false;
        c.clearResults(nextLine == 1 && s.header);
        c.input.swap(carry);
        carry.clear();
        c.firstLine = nextLine;
        size_t cut = std::string::npos;
        while (!atEnd) {
            const ssize_t n = reader.read(c.input);
            if (n < 0) {
                progress.clear();
                writeAll(o.err, std::string(kPrefix) + "cannot read " + source + ": " +
                                    std::strerror(errno) + "\n");
                result.ioError = true;
                atEnd = true;
            } else if (n == 0) {
                atEnd = true;
            }
            const size_t e = scanner.Last_End(std::string_view(c.input).substr(scanned));
            if (e != std::string_view::npos)
                cut = scanned + e;
            scanned = c.input.size();
            if (atEnd)
                break;
            if (cut != std::string::npos && (o.lineByLine || c.input.size() >= o.chunkBytes)) {
                carry.assign(c.input, cut);
                c.input.resize(cut);
                scanned = carry.size();
                break;
            }
        }
        if (atEnd)
            scanned = 0;
        nextLine += uint64_t(std::count(c.input.begin(), c.input.end(), '\n'));
        return !c.input.empty();
    };

    auto first = std::make_unique<Chunk>();
    const bool any = nextChunk(*first);
    if (!any)
        return result;
    // The header may come after comments, and from a terminal line by line.
    for (int ready = 0; s.header && ready == 0;) {
        ready = prepareHeader(s, first->input, atEnd && carry.empty(), source, o, result);
        if (ready < 0)
            return result;
        Chunk more;
        if (ready == 0 && nextChunk(more))
            first->input += more.input;
        else if (ready == 0)
            ready = 1;
    }
    if (o.sink && !o.sink->Begin(s)) {
        writeAll(o.err, std::string(kPrefix) + o.sink->Error() + "\n");
        result.ioError = true;
        return result;
    }
    if (atEnd || o.lineByLine) {
        // Small input, or a pipe or terminal that waits for each line: no
        // threads, and every line written as soon as it is done.
        do {
            convertChunk(s, o.name, *first);
            finish(*first);
        } while (!stopped && nextChunk(*first));
    } else {
        const unsigned n =
            o.threads ? o.threads : std::max(1u, std::thread::hardware_concurrency());
        Pool pool(n);
        // Bounded number of chunks in flight keeps memory constant.
        const size_t inFlight = 2 * size_t(n) + 1;
        std::deque<std::pair<std::unique_ptr<Chunk>, std::future<void>>> queue;
        auto submit = [&](std::unique_ptr<Chunk> c) {
            Chunk* raw = c.get();
            queue.emplace_back(std::move(c), pool.submit([&s, &o, raw] { convertChunk(s, o.name, *raw); }));
        };
        auto retire = [&] {
            queue.front().second.get();
            finish(*queue.front().first);
            queue.pop_front();
        };
        submit(std::move(first));
        while (!stopped) {
            auto c = std::make_unique<Chunk>();
            if (!nextChunk(*c))
                break;
            while (queue.size() >= inFlight)
                retire();
            submit(std::move(c));
        }
        while (!queue.empty())
            retire();
    }
    progress.clear();
    if (writeFailed)
        result.ioError = true;
    return result;
}

} // namespace batch
