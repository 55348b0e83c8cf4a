#include "stream.h"

#include "csv.h"
#include "upperstate.h"

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
#include <thread>

namespace batch {

namespace {

struct Chunk {
    std::string input; // whole lines; the last may lack its line end
    uint64_t firstLine = 1;
    std::string output;
    std::string errors; // "line N: message\n" lines, in input order
    uint64_t records = 0;
    uint64_t failed = 0;
    bool stopped = false; // a refusal ended the run here
};

// True when no field of the line needs quotes, so it can be written back as
// it was read.
bool echoesAsRead(std::string_view line, char delimiter) {
    if (delimiter == kBlankRuns)
        return false; // runs of blanks are written back as one
    for (char c : line)
        if (c == '"' || c == ' ' || c == '\r')
            return false;
    return true;
}

// Blank lines and comments are copied where they stand.
bool isComment(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == '#';
}

void convertChunk(const Settings& s, Chunk& c) {
    // On whichever thread runs it, and whatever ran on that thread before.
    Clean_Upper_State();
    Converter conv(s);
    std::vector<std::string_view> fields;
    std::string unquoted;
    std::string message;
    const size_t expected = Field_Count(s);
    const std::vector<std::string> results = Result_Names(s);
    const char d = s.delimiter;
    const char out = d == kBlankRuns ? ' ' : d;
    c.output.reserve(c.input.size() * 2 + 64);
    std::string_view rest(c.input);
    uint64_t lineNo = c.firstLine;
    auto refuse = [&](std::string_view line, std::string_view why) {
        c.errors += "line ";
        c.errors += std::to_string(lineNo);
        c.errors += ": ";
        c.errors.append(why);
        c.errors += '\n';
        ++c.failed;
        if (s.onError == Settings::OnError::Mark) {
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
        const size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (lineNo == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
            line.remove_prefix(3); // a byte-order mark is not part of the first field
        if (lineNo == 1 && s.header) {
            if (!s.resultsOnly)
                c.output.append(line);
            for (size_t i = 0; i < results.size(); ++i) {
                if (i || !s.resultsOnly)
                    c.output.push_back(out);
                Append_Field(c.output, results[i], d);
            }
            c.output.push_back('\n');
        } else if (isComment(line)) {
            c.output.append(line);
            c.output.push_back('\n');
        } else if (!Split_Record(line, fields, unquoted, message, d)) {
            refuse(line, message);
        } else if (fields.size() != expected) {
            refuse(line, "expected " + std::to_string(expected) + " fields, found " +
                             std::to_string(fields.size()));
        } else if (s.strict && !conv.Check(fields, message)) {
            refuse(line, message);
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
            if (conv.Convert(fields, c.output, message)) {
                if (s.resultsOnly)
                    c.output.erase(mark, 1);
                c.output.push_back('\n');
                ++c.records;
            } else {
                c.output.resize(mark);
                refuse(line, message);
            }
        }
        ++lineNo;
    }
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

} // namespace

StreamResult Run_Stream(const Settings& s, const StreamOptions& o) {
    StreamResult result;
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
        if (!writeFailed && !writeAll(o.out, c.output)) {
            writeFailed = true;
            progress.clear();
            writeAll(o.err, std::string("cannot write the results: ") + std::strerror(errno) +
                                "\n");
        }
        consumed += int64_t(c.input.size());
        progress.update(consumed);
    };

    // Cuts the input into chunks of whole lines.
    std::string carry;
    bool atEnd = false;
    uint64_t nextLine = 1;
    auto nextChunk = [&](Chunk& c) -> bool {
        if (atEnd && carry.empty())
            return false;
        c.output.clear();
        c.errors.clear();
        c.records = c.failed = 0;
        c.input.swap(carry);
        carry.clear();
        c.firstLine = nextLine;
        while (!atEnd) {
            const ssize_t n = readSome(o.in, c.input);
            if (n < 0) {
                progress.clear();
                writeAll(o.err, std::string("cannot read the records: ") + std::strerror(errno) +
                                    "\n");
                result.ioError = true;
                atEnd = true;
            } else if (n == 0) {
                atEnd = true;
            }
            const size_t nl = c.input.rfind('\n');
            if (nl != std::string::npos &&
                (o.lineByLine || c.input.size() >= o.chunkBytes || atEnd)) {
                carry.assign(c.input, nl + 1);
                c.input.resize(nl + 1);
                break;
            }
        }
        nextLine += uint64_t(std::count(c.input.begin(), c.input.end(), '\n'));
        return !c.input.empty();
    };

    auto first = std::make_unique<Chunk>();
    const bool any = nextChunk(*first);
    if (!any)
        return result;
    if (atEnd || o.lineByLine) {
        // Small input, or a pipe or terminal that waits for each line: no
        // threads, and every line written as soon as it is done.
        do {
            convertChunk(s, *first);
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
            queue.emplace_back(std::move(c), pool.submit([&s, raw] { convertChunk(s, *raw); }));
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
