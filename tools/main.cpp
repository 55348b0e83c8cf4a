// quillmar-batch: the conversions and intersections of Quillmar's windows over
// files of records, and the catalogue moved in and out as CSV.

#include "csv.h"
#include "entryparams.h"
#include "records.h"
#include "store.h"
#include "stream.h"

#include <QCoreApplication>
#include <QDir>
#include <QSet>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kProgram = "quillmar-batch";

const char* const kUsage =
    "usage: quillmar-batch COMMAND [OPTIONS] [FILE]\n"
    "commands: list, geog2grid, grid2geog, distance, angles, bearings, export, import\n"
    "Try 'quillmar-batch --help' for more.\n";

const char* const kHelp = R"(usage: quillmar-batch COMMAND [OPTIONS] [FILE]

Converts files of points with the arithmetic and texts of Quillmar's windows.
Records are read from FILE (or standard input when FILE is absent or "-"),
one per line, fields separated by commas; a field may be quoted ("...") to
hold a comma or blanks. Each output line is the record's fields followed by
the results, as the window shows them. A record the window would refuse is
reported on standard error with its line number and left out; the run goes on.

Commands:
  list                 the catalogue's names in stored order
      quillmar-batch list

  geog2grid            lat deg,min,sec,N/S,long deg,min,sec,E/W -> easting,northing
      --minutes        "Deg, Minutes" entry: lat deg,min,N/S,long deg,min,E/W
      quillmar-batch geog2grid --spheroid "Airy 1830 / National Grid" points.csv
        52,0,0,N,1,0,0,W  ->  52,0,0,N,1,0,0,W,468643.108,234025.790

  grid2geog            easting,northing -> latitude,longitude
      --layout seconds|minutes   result layout (default seconds)
      quillmar-batch grid2geog --params 6377563.396,0.00667054,0.9996012717,400000,-100000,"49 N","2 W" grid.csv
        468643.108,234025.790  ->  468643.108,234025.790," 51 Deg  59 Min 60.000 Sec N","001 Deg  0 Min 0.000 Sec W"

  distance             the sixteen geographic fields of two positions -> kms,n. miles
      --minutes        twelve fields, decimal minutes without seconds
      --grid           E1,N1,E2,N2 -> kms,n. miles
      quillmar-batch distance --grid --spheroid "Airy 1830 / National Grid" pairs.csv
        0,0,3000,4000  ->  0,0,3000,4000,5.00,2.70

  angles               E1,N1,E2,N2,a,b with the interior angles at A and B -> E3,N3
      quillmar-batch angles triangles.csv
        1000,1000,2000,1000,60,60  ->  1000,1000,2000,1000,60,60,1500.000,1866.025

  bearings             E1,N1,E2,N2,a,b with the grid bearings from A and B -> E3,N3
      quillmar-batch bearings rays.csv
        1000,1000,2000,1000,45,315  ->  1000,1000,2000,1000,45,315,1500.000,1500.000

  export               the catalogue as CSV with the header
                       name,sma,eccentricity,Scale,FE,FN,Lat,meridian
      quillmar-batch export > catalogue.csv

  import FILE          adds every row of an exported file to the catalogue, all
                       or nothing, with the checks of the Spheroid tab's Save
      quillmar-batch import --catalogue /mnt/other/QUILLMAR.MDB catalogue.csv

Parameter set (geog2grid, grid2geog, distance):
  --spheroid NAME      the catalogue entry NAME (case ignored)
  --params a,e2,k0,FE,FN,LAT,CM
                       the seven values as the catalogue writes them, LAT and
                       CM with their letters, e.g. "49 N" and "2 W"
Catalogue:
  --catalogue FILE     instead of the program's own catalogue
Other:
  --threads N          worker threads for large inputs (default: one per core)
  --help               this text

Exit status: 0 all records converted, 1 a record or the run failed,
2 the command line was wrong.
)";

struct UsageError {
    std::string message;
};

void say(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
}

std::string utf8(const QString& s) { return s.toStdString(); }

QString defaultCatalogue() {
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/quillmar/")) +
           QLatin1Char('/') + catalogue::kFileName;
}

struct Options {
    std::string command;
    std::optional<std::string> spheroid, params, catalogue, layout, threads;
    bool minutes = false, grid = false;
    std::vector<std::string> files;
};

Options parseArgs(int argc, char** argv) {
    Options o;
    const std::map<std::string, std::optional<std::string> Options::*> valued = {
        {"--spheroid", &Options::spheroid}, {"--params", &Options::params},
        {"--catalogue", &Options::catalogue}, {"--layout", &Options::layout},
        {"--threads", &Options::threads}};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            std::optional<std::string> value;
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
            }
            auto it = valued.find(arg);
            if (it != valued.end()) {
                if (!value) {
                    if (i + 1 >= argc)
                        throw UsageError{arg + " needs a value"};
                    value = argv[++i];
                }
                if (o.*(it->second))
                    throw UsageError{arg + " given twice"};
                o.*(it->second) = *value;
            } else if (arg == "--minutes" && !value) {
                o.minutes = true;
            } else if (arg == "--grid" && !value) {
                o.grid = true;
            } else {
                throw UsageError{"unknown option " + std::string(argv[i])};
            }
        } else if (o.command.empty()) {
            o.command = arg;
        } else {
            o.files.push_back(arg);
        }
    }
    return o;
}

// Splits --params at its commas; quoting is allowed as in a record.
catalogue::EntryTexts paramsEntry(const std::string& text) {
    std::vector<std::string_view> f;
    std::string unquoted, error;
    if (!batch::Split_Record(text, f, unquoted, error))
        throw UsageError{"--params: " + error};
    if (f.size() != 7)
        throw UsageError{"--params needs seven values a,e2,k0,FE,FN,LAT,CM, found " +
                         std::to_string(f.size())};
    auto q = [&](size_t i) { return QString::fromUtf8(f[i].data(), qsizetype(f[i].size())); };
    return {QString(), q(0), q(1), q(2), q(3), q(4), q(5), q(6)};
}

// Fails the run with a message; exit status 1.
struct RunError {
    std::string message;
};

catalogue::CatalogueStore openCatalogue(const Options& o, bool readOnly) {
    return catalogue::CatalogueStore(o.catalogue ? QString::fromStdString(*o.catalogue)
                                                 : defaultCatalogue(),
                                     readOnly);
}

[[noreturn]] void storeFailed(const catalogue::CatalogueStore& c, const catalogue::StoreError& e) {
    throw RunError{utf8(c.path()) + ": " + utf8(e.message())};
}

batch::Settings settingsFor(const Options& o, batch::Command command) {
    batch::Settings s;
    s.command = command;
    s.minutes = o.minutes;
    s.grid = o.grid;
    const bool spheroidless = command == batch::Command::Angles ||
                              command == batch::Command::Bearings;
    if (o.minutes && command != batch::Command::Geog2Grid && command != batch::Command::Distance)
        throw UsageError{"--minutes belongs to geog2grid and distance"};
    if (o.grid && command != batch::Command::Distance)
        throw UsageError{"--grid belongs to distance"};
    if (o.minutes && o.grid)
        throw UsageError{"--minutes and --grid do not go together"};
    if (o.layout) {
        if (command != batch::Command::Grid2Geog)
            throw UsageError{"--layout belongs to grid2geog"};
        if (*o.layout == "minutes")
            s.layoutMinutes = true;
        else if (*o.layout != "seconds")
            throw UsageError{"--layout is seconds or minutes"};
    }
    if (spheroidless) {
        if (o.spheroid || o.params || o.catalogue)
            throw UsageError{o.command + " uses no parameter set"};
        return s;
    }
    if (bool(o.spheroid) == bool(o.params))
        throw UsageError{o.command + " needs either --spheroid NAME or --params a,e2,k0,FE,FN,LAT,CM"};
    if (o.params && o.catalogue)
        throw UsageError{"--catalogue goes with --spheroid, not --params"};

    catalogue::EntryTexts entry;
    std::string what;
    if (o.params) {
        entry = paramsEntry(*o.params);
        what = "--params";
    } else {
        const catalogue::CatalogueStore store = openCatalogue(o, true);
        std::optional<catalogue::Entry> found;
        try {
            found = store.FindByName(QString::fromStdString(*o.spheroid));
        } catch (const catalogue::StoreError& e) {
            storeFailed(store, e);
        }
        if (!found)
            throw RunError{"\"" + *o.spheroid + "\" is not in the catalogue " + utf8(store.path())};
        entry = found->texts;
        what = utf8(entry.name);
    }
    const catalogue::Selection sel = catalogue::Select_Entry(entry);
    std::string problem;
    if (!sel.problems.isEmpty())
        problem = utf8(catalogue::kNotUsable + sel.problems.join(QLatin1Char('\n')));
    else if (sel.cm_text.isEmpty())
        problem = utf8(catalogue::kEnterMeridian);
    if (!problem.empty()) {
        if (o.params)
            throw UsageError{what + ": " + problem};
        throw RunError{what + ": " + problem};
    }
    s.params = sel.params;
    s.cm_text = utf8(sel.cm_text);
    s.orig_text = utf8(sel.orig_text);
    return s;
}

int runRecords(const Options& o, batch::Command command) {
    const batch::Settings s = settingsFor(o, command);
    if (o.files.size() > 1)
        throw UsageError{"one input file at most"};
    batch::StreamOptions so;
    if (o.threads) {
        char* end = nullptr;
        const long n = std::strtol(o.threads->c_str(), &end, 10);
        if (o.threads->empty() || *end || n < 1 || n > 256)
            throw UsageError{"--threads needs a whole number from 1 to 256"};
        so.threads = unsigned(n);
    }
    int fd = 0;
    if (!o.files.empty() && o.files[0] != "-") {
        fd = ::open(o.files[0].c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            throw RunError{o.files[0] + ": " + std::strerror(errno)};
        struct stat st{};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            so.totalBytes = st.st_size;
            so.progress = ::isatty(2);
        }
    }
    so.in = fd;
    std::fflush(stdout);
    const batch::StreamResult r = batch::Run_Stream(s, so);
    if (fd > 0)
        ::close(fd);
    return r.failed || r.ioError ? 1 : 0;
}

int runList(const Options& o) {
    if (!o.files.empty() || o.spheroid || o.params || o.minutes || o.grid || o.layout)
        throw UsageError{"list takes only --catalogue"};
    const catalogue::CatalogueStore store = openCatalogue(o, true);
    QStringList names;
    try {
        names = store.ListNames();
    } catch (const catalogue::StoreError& e) {
        storeFailed(store, e);
    }
    for (const QString& n : names)
        std::printf("%s\n", utf8(n).c_str());
    return 0;
}

const char* const kHeader[] = {"name", "sma", "eccentricity", "Scale", "FE", "FN", "Lat",
                               "meridian"};

int runExport(const Options& o) {
    if (!o.files.empty() || o.spheroid || o.params || o.minutes || o.grid || o.layout)
        throw UsageError{"export takes only --catalogue"};
    const catalogue::CatalogueStore store = openCatalogue(o, true);
    std::string out;
    for (size_t i = 0; i < std::size(kHeader); ++i)
        out += (i ? "," : "") + std::string(kHeader[i]);
    out += '\n';
    try {
        QSet<QString> seen;
        for (const QString& name : store.ListNames()) {
            if (seen.contains(name.toLower()))
                say("export: another entry is also named \"" + utf8(name) +
                    "\" (case ignored); the first one is written for both");
            seen.insert(name.toLower());
            const std::optional<catalogue::Entry> e = store.FindByName(name);
            if (!e)
                throw RunError{"\"" + utf8(name) + "\" vanished from the catalogue during export"};
            const catalogue::EntryTexts& t = e->texts;
            size_t k = 0;
            for (const QString* f : {&t.name, &t.sma, &t.eccentricity, &t.Scale, &t.FE, &t.FN,
                                     &t.Lat, &t.meridian}) {
                if (k++)
                    out += ',';
                batch::Append_Field(out, utf8(*f));
            }
            out += '\n';
        }
    } catch (const catalogue::StoreError& e) {
        storeFailed(store, e);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int runImport(const Options& o) {
    if (o.files.size() != 1 || o.spheroid || o.params || o.minutes || o.grid || o.layout)
        throw UsageError{"import takes one FILE and optionally --catalogue"};
    std::ifstream in(o.files[0], std::ios::binary);
    if (!in)
        throw RunError{o.files[0] + ": " + std::strerror(errno)};
    std::vector<catalogue::EntryTexts> entries;
    std::vector<std::string_view> f;
    std::string line, unquoted, error;
    for (size_t lineNo = 1; std::getline(in, line); ++lineNo) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        auto refuse = [&](const std::string& why) -> RunError {
            return RunError{o.files[0] + ": line " + std::to_string(lineNo) + ": " + why +
                            (why.find("Nothing was saved") == std::string::npos
                                 ? " Nothing was imported."
                                 : "")};
        };
        if (!batch::Split_Record(line, f, unquoted, error))
            throw refuse(error + ".");
        if (f.size() != 8)
            throw refuse("expected 8 fields, found " + std::to_string(f.size()) + ".");
        if (lineNo == 1 && entries.empty()) {
            bool header = true;
            for (size_t i = 0; i < 8; ++i)
                header = header && QString::fromUtf8(f[i].data(), qsizetype(f[i].size()))
                                           .compare(QLatin1String(kHeader[i]),
                                                    Qt::CaseInsensitive) == 0;
            if (header)
                continue;
        }
        auto q = [&](size_t i) { return QString::fromUtf8(f[i].data(), qsizetype(f[i].size())); };
        const catalogue::EntryTexts t{q(0), q(1), q(2), q(3), q(4), q(5), q(6), q(7)};
        // The checks of the Spheroid tab's Save, in its order.
        if (numtext::Read_Number(f[1]) == 0)
            throw refuse("Enter semi major axis.");
        const QString problem = catalogue::CatalogueStore::CheckEntry(t);
        if (!problem.isEmpty())
            throw refuse(utf8(problem));
        entries.push_back(t);
    }
    if (in.bad())
        throw RunError{o.files[0] + ": read error"};
    catalogue::CatalogueStore store = openCatalogue(o, false);
    try {
        store.SaveEntries(entries);
    } catch (const catalogue::StoreError& e) {
        storeFailed(store, e);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    try {
        const Options o = parseArgs(argc, argv);
        static const std::map<std::string, batch::Command> records = {
            {"geog2grid", batch::Command::Geog2Grid}, {"grid2geog", batch::Command::Grid2Geog},
            {"distance", batch::Command::Distance},   {"angles", batch::Command::Angles},
            {"bearings", batch::Command::Bearings}};
        if (o.command.empty())
            throw UsageError{"no command given"};
        if (o.threads && !records.count(o.command))
            throw UsageError{"--threads belongs to the conversion commands"};
        if (auto it = records.find(o.command); it != records.end())
            return runRecords(o, it->second);
        if (o.command == "list")
            return runList(o);
        if (o.command == "export")
            return runExport(o);
        if (o.command == "import")
            return runImport(o);
        throw UsageError{"unknown command " + o.command};
    } catch (const UsageError& e) {
        say(e.message);
        std::fputs(kUsage, stderr);
        return 2;
    } catch (const RunError& e) {
        say(e.message);
        return 1;
    }
}
