// quillmar-batch: the conversions and intersections of Quillmar's windows over
// files of records, and the catalogue moved in and out as CSV.

#include "csv.h"
#include "entryparams.h"
#include "layers.h"
#include "registry.h"
#include "survey.h"
#include "parameterset.h"
#include "paramtext.h"
#include "records.h"
#include "store.h"
#include "stream.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr const char* kProgram = "quillmar-batch";

const char* const kUsage =
    "usage: quillmar-batch COMMAND [OPTIONS] [FILE]\n"
    "commands: list, geog2grid, grid2geog, distance, angles, bearings, export, import, search\n"
    "Try 'quillmar-batch --help' for more.\n";

const char* const kHelp = R"(usage: quillmar-batch COMMAND [OPTIONS] [FILE]

Converts files of points with the arithmetic and texts of Quillmar's windows.
Records are read from FILE (or standard input when FILE is absent or "-"),
UTF-8 or UTF-16 with a byte-order mark, one per line, fields separated by
commas; a field may be quoted ("...") to hold a comma, blanks or a line break.
Each output line is the record's fields followed by the results, as the
window shows them. Blank lines and lines starting with # are copied where they
stand. A refused record is written with * in its result columns and reported
on standard error as "quillmar-batch: FILE:N: why" ("line N" for standard
input); the run goes on (see --on-error) and exits with 1.

Commands:
  list                 the catalogue's names in stored order
      quillmar-batch list

  geog2grid            lat deg,min,sec,N/S,long deg,min,sec,E/W -> easting,northing
      --minutes        "Deg, Minutes" entry: lat deg,min,N/S,long deg,min,E/W
      --decimal        signed decimal degrees: latitude,longitude (south, west negative)
      --dms            latitude,longitude each in one field: 52°39'27.2531"N,
                       52d39'27.2531"N, 52:39:27.2531N, 52 39 27.2531 N or
                       -52 39 27.2531
      quillmar-batch geog2grid --spheroid "Airy 1830 / National Grid" points.csv
        52,0,0,N,1,0,0,W  ->  52,0,0,N,1,0,0,W,468643.108,234025.790

  grid2geog            easting,northing -> latitude,longitude
      --layout seconds|minutes   result layout (default seconds)
      --decimal        results in signed decimal degrees, 9 decimals
      --dms            results as 52°39'27.2531"N,001°30'00.0000"W
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
      --proj           a ninth column, proj: each entry's PROJ string
      quillmar-batch export > catalogue.csv

  import FILE|-        adds the rows of an exported file, all or nothing, with
                       the checks of the Spheroid tab's Save; names the
                       catalogue already has (case ignored) refuse the import
      --replace        update those entries in place instead (keys kept)
      --skip-existing  leave those entries as they are, add the others
      --dry-run        say what would be added or replaced; change nothing
      --epsg CODE,...  instead of FILE: the registry's grids of those codes
      quillmar-batch import --catalogue /mnt/other/QUILLMAR.MDB catalogue.csv

  search [WORDS...]    the Transverse Mercator grids in metres of PROJ's EPSG
                       registry whose code or name matches: code TAB name
      --all            also the grids that cannot be used, with the reason
      quillmar-batch search irish
        EPSG:2157	IRENET95 / Irish Transverse Mercator

Parameter set (geog2grid, grid2geog, distance):
  --spheroid NAME      the catalogue entry NAME (case ignored)
  --params a,e2,k0,FE,FN,LAT,CM
                       five numbers, the latitude of origin as the windows read
                       it ("49 N", "53.5 N", "-10") and the central meridian as
                       whole degrees with E or W ("2 W") or a signed number (-2)
  --epsg CODE          a Transverse Mercator grid of the EPSG registry (2157 or
                       EPSG:2157); no catalogue needed
Accuracy (geog2grid, grid2geog, distance):
  A record whose series result lies more than 1 mm from the exact projection
  is refused: "line 4: 0.441 m from the exact projection, 18.0° from the
  central meridian". Within 5° of the meridian this does not happen.
  --exact              convert with the exact Transverse Mercator instead of the
                       windows' series (as cs2cs to 1 mm within 45° of the
                       meridian); beyond what the windows show
Quantities beside the results (empty where they cannot be computed):
  --with convergence,scale
                       geog2grid, grid2geog: the grid convergence (degrees
                       clockwise from true north to grid north, 9 decimals) and
                       the point scale factor (10 decimals), at the position;
                       either may be named alone
  --with geodesic      distance: the ellipsoidal distance (m, 4 decimals), the
                       azimuths at position 1 towards 2 and at position 2
                       (degrees from true north, 9 decimals), the grid bearing
                       1 to 2, the grid distance (m, 4 decimals) and the line
                       scale factor (grid / ellipsoidal, 10 decimals)
      quillmar-batch geog2grid --decimal --with convergence,scale --params 6377563.396,0.00667054,0.9996012717,400000,-100000,"49 N","2 W" pts.csv
        52.5,1.5  ->  52.5,1.5,637529.697,294921.535,2.778026326,1.0002940069
  --with elevation,combined
                       geog2grid, grid2geog: the elevation factor R/(R+h) and
                       the combined scale factor (10 decimals); need a height
  --with gridref       geog2grid, grid2geog: the grid reference (National Grid,
                       Irish Grid, MGRS of a WGS 84 UTM zone); else empty
  --with ground        distance: the ground distance at the mean height (m, 4
                       decimals) and the combined line factor (10 decimals)
                       Names combine, columns in the order named:
                       --with scale,elevation,combined  --with geodesic,ground
  --height H           one ellipsoidal height (m) for every record; per record:
                       --fields h=COLUMN (distance: h1=COLUMN,h2=COLUMN)
  --gridref            grid2geog: one field holding a grid reference instead of
                       easting and northing
GIS layer (geog2grid, grid2geog):
  --output FILE        the converted records as points of a layer through GDAL
                       instead of lines: .gpkg, .geojson, .kml, .shp or .csv;
                       attributes are the input columns, results and --with
      quillmar-batch geog2grid --decimal --header --fields lat=Lat,lon=Long --epsg 2157 --output survey.gpkg field.csv
Records:
  --lenient            read every field as earlier windows did (the leading
                       number, 0 for text that is not one) instead of refusing
                       a field that is not a number or its hemisphere letter
                       (also --as-window, its former name)
  --header             the first line that is not a comment names the columns;
                       the records must have as many; result names are added
  --fields FIELD=COLUMN,...
                       the columns that hold the input, by number (from 1) or,
                       with --header, by header name; every other column is
                       passed through in its place, the results come last.
                       FIELD: lat,lon (--decimal, --dms); lat-deg,lat-min,
                       lat-sec,lat-letter,lon-deg,... (the DMS layouts);
                       easting,northing; e1,n1,e2,n2 (distance --grid);
                       lat1-deg,... (distance); e1,n1,e2,n2,a,b (angles,
                       bearings)
      quillmar-batch geog2grid --decimal --header --fields lat=Lat,lon=Long --spheroid "Airy 1830 / National Grid" field.csv
        ID,Code,Lat,Long  ->  ID,Code,Lat,Long,easting,northing
        P1,TREE,52.5,1.5  ->  P1,TREE,52.5,1.5,637529.697,294921.535
  --lon-lat            with --decimal or --dms: longitude first, in and out
  --decimal-comma      numbers read and results written with a decimal comma;
                       the delimiter is then semicolon unless given
  --precision N        decimals of metres (geog2grid) and of decimal degrees
                       (grid2geog --decimal), 0 to 12
  --delimiter comma|tab|semicolon|space
                       field separator in and out (space: runs of blanks, tabs)
  --results-only       write only the result columns
  --on-error mark|skip|stop
                       a refused record is written with * in its result columns
                       (mark, the default), left out (skip), or ends the run
                       (stop)
Catalogue:
  --catalogue FILE     instead of the program's own, which is installed with the
                       default entries on first use
Other:
  --threads N          worker threads for large files (default: one per core);
                       for several processes or machines, split the input:
                       parallel --pipe -k -j 8 quillmar-batch geog2grid ...
  --version, --help    this program's version; this text
  --                   what follows is a FILE, even if it starts with -

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
    std::optional<std::string> spheroid, params, catalogue, layout, threads, delimiter, onError,
        with, fields, precision, height, epsg, output;
    bool minutes = false, grid = false, decimal = false, lenient = false, header = false,
         resultsOnly = false, replace = false, skipExisting = false, dryRun = false, dms = false,
         lonLat = false, decimalComma = false, exact = false, gridref = false, proj = false,
         all = false;
    std::vector<std::string> files;
    // Options given, by name, for the checks of what belongs to which command.
    std::vector<std::string> given;
    bool has(const char* name) const {
        return std::find(given.begin(), given.end(), name) != given.end();
    }
};

Options parseArgs(const QStringList& args) {
    Options o;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const std::pair<const char*, std::optional<std::string> Options::*> valued[] = {
        {"spheroid", &Options::spheroid},   {"params", &Options::params},
        {"catalogue", &Options::catalogue}, {"layout", &Options::layout},
        {"threads", &Options::threads},     {"delimiter", &Options::delimiter},
        {"on-error", &Options::onError},    {"with", &Options::with},
        {"fields", &Options::fields},       {"precision", &Options::precision},
        {"height", &Options::height},       {"epsg", &Options::epsg},
        {"output", &Options::output}};
    const std::pair<const char*, bool Options::*> flags[] = {
        {"minutes", &Options::minutes},       {"grid", &Options::grid},
        {"decimal", &Options::decimal},       {"lenient", &Options::lenient},
        {"as-window", &Options::lenient},     {"header", &Options::header},
        {"results-only", &Options::resultsOnly}, {"replace", &Options::replace},
        {"skip-existing", &Options::skipExisting}, {"dry-run", &Options::dryRun},
        {"dms", &Options::dms},               {"lon-lat", &Options::lonLat},
        {"decimal-comma", &Options::decimalComma}, {"exact", &Options::exact},
        {"gridref", &Options::gridref},       {"proj", &Options::proj},
        {"all", &Options::all}};
    for (const auto& [name, member] : valued)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(),
                                            QStringLiteral("value")));
    for (const auto& [name, member] : flags)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    if (!parser.parse(args)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            // As typed, with its dashes.
            QString typed = QStringLiteral("--") + unknown.first();
            for (const QString& a : args)
                if (a.startsWith(QLatin1Char('-')) && a.section(QLatin1Char('='), 0, 0).endsWith(
                                                          QLatin1Char('-') + unknown.first()))
                    typed = a.section(QLatin1Char('='), 0, 0);
            throw UsageError{"unknown option " + utf8(typed)};
        }
        // The parser's other complaints, in the program's own words.
        const QString e = parser.errorText();
        const QString name = e.section(QLatin1Char('\''), 1, 1);
        if (e.startsWith(QLatin1String("Missing value")) && !name.isEmpty())
            throw UsageError{utf8(name) + " needs a value"};
        if (e.startsWith(QLatin1String("Unexpected value")) && !name.isEmpty())
            throw UsageError{utf8(name) + " takes no value"};
        throw UsageError{utf8(e)};
    }
    for (const auto& [name, member] : valued) {
        const QStringList values = parser.values(QString::fromLatin1(name));
        if (values.size() > 1)
            throw UsageError{std::string("--") + name + " given twice"};
        if (!values.isEmpty())
            o.*member = utf8(values.first());
    }
    for (const auto& [name, member] : flags)
        if (parser.isSet(QString::fromLatin1(name)))
            o.*member = true;
    for (const QString& n : parser.optionNames())
        o.given.push_back(n == QLatin1String("as-window") ? "--lenient" : "--" + utf8(n));
    const QStringList positional = parser.positionalArguments();
    for (qsizetype i = 0; i < positional.size(); ++i) {
        if (i == 0)
            o.command = utf8(positional[i]);
        else
            o.files.push_back(utf8(positional[i]));
    }
    return o;
}

// Refuses every given option not in `allowed`.
void onlyOptions(const Options& o, std::initializer_list<const char*> allowed) {
    for (const std::string& g : o.given)
        if (std::none_of(allowed.begin(), allowed.end(), [&](const char* a) { return g == a; }))
            throw UsageError{g + " does not belong to " + o.command};
}

// --params: seven values, each read by the rules the windows use, so a text
// the Spheroid tab would refuse is refused here too, naming its part.
catalogue::EntryTexts paramsEntry(const std::string& text) {
    std::vector<std::string_view> f;
    std::string unquoted, error;
    if (!batch::Split_Record(text, f, unquoted, error))
        throw UsageError{"--params: " + error};
    if (f.size() != 7)
        throw UsageError{"--params needs seven values a,e2,k0,FE,FN,LAT,CM, found " +
                         std::to_string(f.size())};
    const char* const names[] = {"a", "e2", "k0", "FE", "FN", "LAT", "CM"};
    numtext::ParameterTexts t;
    for (size_t i = 0; i < 7; ++i)
        t.text[i + 1] = std::string(f[i]);
    const numtext::ParameterReading r = numtext::Read_Parameters(t, {false, false});
    if (!r.problems.empty()) {
        const auto& p = r.problems.front();
        const size_t i = static_cast<size_t>(p.field) - 1;
        throw UsageError{"--params: part " + std::to_string(i + 1) + " (" + names[i] + "): \"" +
                         std::string(f[i]) + "\": " + p.message};
    }
    auto q = [&](size_t i) { return QString::fromUtf8(f[i].data(), qsizetype(f[i].size())); };
    return {QString(), q(0), q(1), q(2), q(3), q(4), q(5), q(6)};
}

// Fails the run with a message; exit status 1.
struct RunError {
    std::string message;
};

// The program's own catalogue is installed on first use, as the window's
// first start does (never over an existing file); a catalogue named on the
// command line must exist.
catalogue::CatalogueStore openCatalogue(const Options& o, bool readOnly) {
    if (o.catalogue) {
        const QString path = QString::fromStdString(*o.catalogue);
        if (!QFileInfo::exists(path))
            throw RunError{*o.catalogue + ": no such catalogue"};
        return catalogue::CatalogueStore(path, readOnly);
    }
    const QString path = defaultCatalogue();
    if (!QFileInfo::exists(path)) {
        // Another program may install it at the same moment; either
        // complete file will do.
        QString error;
        if (!catalogue::CatalogueStore::InstallDefault(path, &error) && !QFileInfo::exists(path))
            throw RunError{"cannot install the default catalogue: " + utf8(error)};
    }
    return catalogue::CatalogueStore(path, readOnly);
}

// Standard output, written whole; a failure (a full disk, a closed pipe)
// fails the run.
void writeOut(const std::string& text) {
    std::string_view rest(text);
    while (!rest.empty()) {
        const ssize_t n = ::write(1, rest.data(), rest.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw RunError{std::string("cannot write standard output: ") + std::strerror(errno)};
        rest.remove_prefix(size_t(n));
    }
}

[[noreturn]] void storeFailed(const catalogue::CatalogueStore& c, const catalogue::StoreError& e) {
    throw RunError{utf8(c.path()) + ": " + utf8(e.message())};
}

// --with: the names of the quantities to append, separated by commas.
std::vector<batch::Settings::Extra> extrasOf(const std::string& list, batch::Command command) {
    using Extra = batch::Settings::Extra;
    const bool point = command == batch::Command::Geog2Grid || command == batch::Command::Grid2Geog;
    if (!point && command != batch::Command::Distance)
        throw UsageError{"--with belongs to geog2grid, grid2geog and distance"};
    std::vector<Extra> out;
    size_t from = 0;
    for (;;) {
        const size_t comma = list.find(',', from);
        const std::string name = list.substr(from, comma - from);
        std::optional<Extra> e;
        static const std::pair<const char*, Extra> pointNames[] = {
            {"convergence", Extra::Convergence}, {"scale", Extra::Scale},
            {"elevation", Extra::Elevation},     {"combined", Extra::Combined},
            {"gridref", Extra::Gridref}};
        static const std::pair<const char*, Extra> lineNames[] = {{"geodesic", Extra::Geodesic},
                                                                  {"ground", Extra::Ground}};
        for (const auto& [n, x] : point ? std::span<const std::pair<const char*, Extra>>(pointNames)
                                         : std::span<const std::pair<const char*, Extra>>(lineNames))
            if (name == n)
                e = x;
        if (!e)
            throw UsageError{point ? "--with names convergence, scale, elevation, combined or "
                                     "gridref, separated by commas"
                                   : "--with names geodesic or ground, separated by commas"};
        if (std::find(out.begin(), out.end(), *e) != out.end())
            throw UsageError{"--with names " + name + " twice"};
        out.push_back(*e);
        if (comma == std::string::npos)
            return out;
        from = comma + 1;
    }
}

// The module that writes GIS layers; fails the run when it cannot be loaded.
const batch::LayerModule& layerModule() {
    QString error;
    const batch::LayerModule* m = batch::Layer_Module(&error);
    if (!m)
        throw RunError{utf8(error)};
    return *m;
}

// `crs`: the layer's CRS for --output (the grid's, or the geographic one on
// its ellipsoid for grid2geog).
batch::Settings settingsFor(const Options& o, batch::Command command, std::string* crs = nullptr) {
    batch::Settings s;
    s.command = command;
    s.minutes = o.minutes;
    s.grid = o.grid;
    s.decimal = o.decimal;
    s.dms = o.dms;
    s.lonLat = o.lonLat;
    s.decimalComma = o.decimalComma;
    s.strict = !o.lenient;
    s.header = o.header;
    s.resultsOnly = o.resultsOnly;
    if (o.decimalComma)
        s.delimiter = ';'; // as spreadsheets that write a decimal comma separate fields
    if (o.delimiter) {
        static const std::map<std::string, char> delimiters = {
            {"comma", ','}, {"tab", '\t'}, {"semicolon", ';'}, {"space", batch::kBlankRuns}};
        const auto it = delimiters.find(*o.delimiter);
        if (it == delimiters.end())
            throw UsageError{"--delimiter is comma, tab, semicolon or space"};
        s.delimiter = it->second;
    }
    if (o.onError) {
        if (*o.onError == "skip")
            s.onError = batch::Settings::OnError::Skip;
        else if (*o.onError == "mark")
            s.onError = batch::Settings::OnError::Mark;
        else if (*o.onError == "stop")
            s.onError = batch::Settings::OnError::Stop;
        else
            throw UsageError{"--on-error is skip, mark or stop"};
    }
    for (const char* importOnly : {"--replace", "--skip-existing", "--dry-run"})
        if (o.has(importOnly))
            throw UsageError{std::string(importOnly) + " belongs to import"};
    if (o.proj)
        throw UsageError{"--proj belongs to export"};
    if (o.all)
        throw UsageError{"--all belongs to search"};
    if (o.decimal && command != batch::Command::Geog2Grid && command != batch::Command::Grid2Geog)
        throw UsageError{"--decimal belongs to geog2grid and grid2geog"};
    if (o.decimal && (o.minutes || o.layout))
        throw UsageError{"--decimal goes with neither --minutes nor --layout"};
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
    const bool point = command == batch::Command::Geog2Grid || command == batch::Command::Grid2Geog;
    if (o.dms) {
        if (!point)
            throw UsageError{"--dms belongs to geog2grid and grid2geog"};
        if (o.decimal || o.minutes || o.layout)
            throw UsageError{"--dms goes with neither --decimal, --minutes nor --layout"};
    }
    if (o.lonLat && !(point && (o.decimal || o.dms)))
        throw UsageError{"--lon-lat belongs to geog2grid and grid2geog with --decimal or --dms"};
    if (o.precision) {
        if (command != batch::Command::Geog2Grid &&
            !(command == batch::Command::Grid2Geog && o.decimal))
            throw UsageError{"--precision belongs to geog2grid and grid2geog --decimal"};
        char* end = nullptr;
        const long n = std::strtol(o.precision->c_str(), &end, 10);
        if (o.precision->empty() || *end || n < 0 || n > 12 || !std::isdigit(uint8_t((*o.precision)[0])))
            throw UsageError{"--precision needs a whole number from 0 to 12"};
        s.precision = int(n);
    }
    if (o.with)
        s.with = extrasOf(*o.with, command);
    if (o.exact && !point)
        throw UsageError{"--exact belongs to geog2grid and grid2geog"};
    if (o.gridref) {
        if (command != batch::Command::Grid2Geog)
            throw UsageError{"--gridref belongs to grid2geog"};
        s.gridrefIn = true;
    }
    if (o.height) {
        if (!point && command != batch::Command::Distance)
            throw UsageError{"--height belongs to geog2grid, grid2geog and distance"};
        const std::optional<double> h = numtext::To_Number(*o.height);
        if (!h)
            throw UsageError{"--height: \"" + *o.height + "\" is not a number"};
        if (const std::optional<std::string> r = survey::Height_Refusal(*h, "--height"))
            throw UsageError{*r};
        s.height = *o.height;
    }
    if (o.fields) {
        std::string error;
        if (!batch::Parse_Fields(s, *o.fields, error))
            throw UsageError{error};
    }
    if (!spheroidless) {
        using X = batch::Settings::Extra;
        const bool heights = std::any_of(s.with.begin(), s.with.end(), [](X e) {
            return e == X::Elevation || e == X::Combined || e == X::Ground;
        });
        if (o.height && s.recordHeights)
            throw UsageError{"--height and a height column of --fields do not go together"};
        if (heights && !o.height && !s.recordHeights)
            throw UsageError{command == batch::Command::Distance
                                 ? "--with ground needs --height H or --fields h1=COLUMN,h2=COLUMN"
                                 : "--with elevation and combined need --height H or --fields "
                                   "h=COLUMN"};
        if (!heights && (o.height || s.recordHeights))
            throw UsageError{command == batch::Command::Distance
                                 ? "a height goes with --with ground"
                                 : "a height goes with --with elevation or combined"};
    }
    if (o.output) {
        if (!point)
            throw UsageError{"--output belongs to geog2grid and grid2geog"};
        const batch::LayerModule& m = layerModule();
        if (m.driverFor(QString::fromStdString(*o.output)).isEmpty())
            throw UsageError{"--output: \"" + *o.output +
                             "\": the extension names the format, one of " + utf8(m.extensions())};
        s.layer = true;
    }
    if (spheroidless) {
        if (o.spheroid || o.params || o.epsg || o.catalogue)
            throw UsageError{o.command + " uses no parameter set"};
        return s;
    }
    if (int(bool(o.spheroid)) + int(bool(o.params)) + int(bool(o.epsg)) != 1)
        throw UsageError{o.command + " needs one of --spheroid NAME, --params a,e2,k0,FE,FN,LAT,CM "
                                     "or --epsg CODE"};
    if (o.params && o.catalogue)
        throw UsageError{"--catalogue goes with --spheroid, not --params"};
    if (o.epsg && o.catalogue)
        throw UsageError{"--catalogue goes with --spheroid, not --epsg"};

    catalogue::EntryTexts entry;
    std::string what;
    registry::Grid grid;
    if (o.params) {
        entry = paramsEntry(*o.params);
        what = "--params";
    } else if (o.epsg) {
        // No catalogue: the registry's own texts, read as --params are.
        grid = registry::Registry::Instance().Lookup(QString::fromStdString(*o.epsg));
        if (!grid.usable)
            throw UsageError{"--epsg: " + utf8(grid.reason)};
        entry = grid.texts;
        what = utf8(grid.code);
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
    const numtext::ParameterReading r = catalogue::Read_Entry(entry, {false, true});
    std::string problem;
    if (!r.problems.empty()) {
        QStringList lines;
        for (const auto& p : r.problems)
            lines << QString::fromStdString(p.message);
        problem = utf8(catalogue::kNotUsable + lines.join(QLatin1Char('\n')));
    } else if (r.meridianEmpty) {
        problem = utf8(catalogue::kEnterMeridian);
    }
    if (!problem.empty()) {
        if (o.params || o.epsg)
            throw UsageError{what + ": " + problem};
        throw RunError{what + ": " + problem};
    }
    const numtext::ParameterNumbers& n = *r.values;
    s.inForce = convert::Make_In_Force({n.a, n.e2, n.k0, n.fe, n.fn, n.lat0, n.lon0});
    if (!s.inForce.projection)
        throw RunError{what + ": " + convert::kUnusable + s.inForce.problem};
    if (s.gridrefIn && s.inForce.grid.grid == gridref::Grid::None)
        throw UsageError{"--gridref: " + what +
                         " names no grid with lettered references (the National Grid, the Irish "
                         "Grid or a WGS 84 UTM zone)"};
    if (o.exact) {
        s.exact = std::make_shared<const accuracy::ExactTm>(
            accuracy::TmParams{n.a, n.e2, n.k0, n.fe, n.fn, n.lat0, n.lon0});
        if (!s.exact->usable())
            throw RunError{what + ": the exact projection cannot use these values"};
    }
    if (crs && s.layer) {
        if (command == batch::Command::Geog2Grid)
            *crs = o.epsg ? utf8(grid.code)
                          : utf8(registry::Proj_String({n.a, n.e2, n.k0, n.fe, n.fn, n.lat0, n.lon0}));
        else
            *crs = o.epsg && !grid.geographicCode.isEmpty()
                       ? utf8(grid.geographicCode)
                       : utf8(registry::Geographic_Proj_String(n.a, n.e2));
        if (crs->empty())
            throw RunError{what + ": no CRS can be written for these values"};
    }
    return s;
}

// --output: the converted records as the points of a GIS layer.
class LayerSink : public batch::RecordSink {
  public:
    LayerSink(std::string path, std::string crs) : path_(std::move(path)), crs_(std::move(crs)) {}
    bool Begin(const batch::Settings& s) override {
        const batch::FieldLayout l = batch::Layout_Of(s);
        const std::vector<std::string> results = batch::Result_Names(s);
        std::vector<std::string> names;
        if (!s.resultsOnly) {
            if (s.header && !s.headerNames.empty()) {
                names = s.headerNames;
            } else if (s.columns.empty()) {
                names = l.keys;
            } else {
                // Named fields by their keys, the columns passed through by number.
                const size_t n = *std::max_element(s.columns.begin(), s.columns.end()) + 1;
                for (size_t i = 0; i < n; ++i)
                    names.push_back("field_" + std::to_string(i + 1));
                for (size_t k = 0; k < s.columns.size(); ++k)
                    names[s.columns[k]] = l.keys[k];
            }
        }
        inputs_ = names.size();
        names.insert(names.end(), results.begin(), results.end());
        // A layer's columns need names, distinct ignoring case.
        QSet<QString> seen;
        QStringList columns;
        for (size_t i = 0; i < names.size(); ++i) {
            QString name = QString::fromStdString(names[i]).trimmed();
            if (name.isEmpty())
                name = QStringLiteral("field_%1").arg(i + 1);
            const QString base = name;
            for (int k = 2; seen.contains(name.toLower()); ++k)
                name = base + QStringLiteral("_%1").arg(k);
            seen.insert(name.toLower());
            columns << name;
        }
        results_ = results.size();
        writer_.reset(layerModule().open(QString::fromStdString(path_),
                                         QString::fromStdString(crs_), columns));
        if (!writer_->error().isEmpty()) {
            error_ = utf8(writer_->error());
            return false;
        }
        return true;
    }
    bool Add(double x, double y, const std::vector<std::string_view>& cells) override {
        // A record may hold more columns than the first line named: those
        // are left out.
        const size_t given = cells.size() - results_;
        values_.clear();
        for (size_t i = 0; i < inputs_; ++i)
            values_ << (i < given ? QString::fromUtf8(cells[i].data(), qsizetype(cells[i].size()))
                                  : QString());
        for (size_t i = given; i < cells.size(); ++i)
            values_ << QString::fromUtf8(cells[i].data(), qsizetype(cells[i].size()));
        if (!writer_->addPoint(x, y, values_)) {
            error_ = utf8(writer_->error());
            return false;
        }
        return true;
    }
    std::string Error() const override { return error_; }
    // Closes the layer (an empty one when no record came); false with
    // Error() on a failure.
    bool Finish(const batch::Settings& s) {
        if (!writer_ && !Begin(s))
            return false;
        if (!writer_->finish()) {
            error_ = utf8(writer_->error());
            return false;
        }
        return true;
    }

  private:
    std::string path_, crs_, error_;
    std::unique_ptr<batch::Layer> writer_;
    size_t inputs_ = 0, results_ = 0;
    QStringList values_;
};

int runRecords(const Options& o, batch::Command command) {
    std::string crs;
    const batch::Settings s = settingsFor(o, command, &crs);
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
    }
    struct stat st{};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        if (fd > 0) {
            so.totalBytes = st.st_size;
            so.progress = ::isatty(2);
        }
    } else {
        // A pipe or a terminal: each line is answered as soon as it arrives.
        so.lineByLine = true;
    }
    so.in = fd;
    if (fd > 0)
        so.name = o.files[0];
    std::optional<LayerSink> layer;
    if (s.layer) {
        layer.emplace(*o.output, crs);
        so.sink = &*layer;
    }
    const batch::StreamResult r = batch::Run_Stream(s, so);
    if (fd > 0)
        ::close(fd);
    if (r.usage)
        return 2;
    // A layer that could not be written whole is not left behind.
    if (layer && !r.ioError && !layer->Finish(s)) {
        say(layer->Error());
        return 1;
    }
    return r.failed || r.ioError ? 1 : 0;
}

int runList(const Options& o) {
    onlyOptions(o, {"--catalogue"});
    if (!o.files.empty())
        throw UsageError{"list takes no FILE"};
    const catalogue::CatalogueStore store = openCatalogue(o, true);
    QStringList names;
    try {
        names = store.ListNames();
    } catch (const catalogue::StoreError& e) {
        storeFailed(store, e);
    }
    std::string out;
    for (const QString& n : names)
        out += utf8(n) + '\n';
    writeOut(out);
    return 0;
}

const char* const kHeader[] = {"name", "sma", "eccentricity", "Scale", "FE", "FN", "Lat",
                               "meridian"};

void appendEntry(std::string& out, const catalogue::EntryTexts& t) {
    size_t k = 0;
    for (const QString* f :
         {&t.name, &t.sma, &t.eccentricity, &t.Scale, &t.FE, &t.FN, &t.Lat, &t.meridian}) {
        if (k++)
            out += ',';
        batch::Append_Field(out, utf8(*f));
    }
    out += '\n';
}

int runExport(const Options& o) {
    onlyOptions(o, {"--catalogue", "--proj"});
    if (!o.files.empty())
        throw UsageError{"export takes no FILE"};
    const catalogue::CatalogueStore store = openCatalogue(o, true);
    std::string out;
    for (size_t i = 0; i < std::size(kHeader); ++i)
        out += (i ? "," : "") + std::string(kHeader[i]);
    out += o.proj ? ",proj\n" : "\n";
    try {
        // Every row by its key, so names that differ only in case are each
        // written once, with their own values.
        for (const catalogue::Entry& e : store.ListEntries()) {
            appendEntry(out, e.texts);
            if (o.proj) {
                // Empty for an entry whose values do not read.
                out.pop_back();
                out += ',';
                const std::optional<registry::Params> p = registry::Params_From_Texts(e.texts);
                batch::Append_Field(out, p ? utf8(registry::Proj_String(*p)) : std::string());
                out += '\n';
            }
        }
    } catch (const catalogue::StoreError& e) {
        storeFailed(store, e);
    }
    writeOut(out);
    return 0;
}

// The checks of the Spheroid tab's Save, in its order, and a name given
// once; empty when the row may be imported.
std::string importProblem(const catalogue::EntryTexts& t, QSet<QString>& names) {
    if (numtext::Read_Number(t.sma.toStdString()) == 0)
        return "Enter semi major axis.";
    const QString problem = catalogue::CatalogueStore::CheckEntry(t);
    if (!problem.isEmpty())
        return utf8(problem);
    if (names.contains(t.name.toLower()))
        return "\"" + utf8(t.name) + "\" is named twice (case ignored).";
    names.insert(t.name.toLower());
    return {};
}

// Reads an exported file (with or without export --proj's column); every
// row checked as the Spheroid tab's Save checks it. Throws RunError naming
// the line.
std::vector<catalogue::EntryTexts> readImport(const std::string& file, std::istream& in) {
    std::vector<catalogue::EntryTexts> entries;
    std::vector<std::string_view> f;
    std::string line, unquoted, error;
    QSet<QString> names;
    size_t width = 8;
    for (size_t lineNo = 1; std::getline(in, line); ++lineNo) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (lineNo == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        if (line.empty())
            continue;
        auto refuse = [&](const std::string& why) -> RunError {
            return RunError{file + ": line " + std::to_string(lineNo) + ": " + why +
                            (why.find("Nothing was saved") == std::string::npos
                                 ? " Nothing was imported."
                                 : "")};
        };
        if (!batch::Split_Record(line, f, unquoted, error))
            throw refuse(error + ".");
        auto q = [&](size_t i) { return QString::fromUtf8(f[i].data(), qsizetype(f[i].size())); };
        if (lineNo == 1 && entries.empty() && (f.size() == 8 || f.size() == 9)) {
            bool header = true;
            for (size_t i = 0; i < 8; ++i)
                header = header &&
                         q(i).compare(QLatin1String(kHeader[i]), Qt::CaseInsensitive) == 0;
            if (f.size() == 9)
                header = header && q(8).compare(QLatin1String("proj"), Qt::CaseInsensitive) == 0;
            if (header) {
                width = f.size(); // the PROJ strings are the entries' own: not read
                continue;
            }
        }
        if (f.size() != width)
            throw refuse("expected " + std::to_string(width) + " fields, found " +
                         std::to_string(f.size()) + ".");
        const catalogue::EntryTexts t{q(0), q(1), q(2), q(3), q(4), q(5), q(6), q(7)};
        std::string problem = importProblem(t, names);
        if (problem.find("named twice") != std::string::npos)
            problem.insert(problem.find(" (case"), " in the file");
        if (!problem.empty())
            throw refuse(problem);
        entries.push_back(t);
    }
    if (in.bad())
        throw RunError{file + ": read error"};
    return entries;
}

// import --epsg: the registry's grids as rows of an import, in the order
// given, with the same checks.
std::vector<catalogue::EntryTexts> registryImport(const std::string& codes) {
    std::vector<catalogue::EntryTexts> entries;
    QSet<QString> names;
    for (const QString& code : QString::fromStdString(codes).split(QLatin1Char(','))) {
        const registry::Grid g = registry::Registry::Instance().Lookup(code);
        if (!g.usable)
            throw UsageError{"--epsg: " + utf8(g.reason)};
        const std::string problem = importProblem(g.texts, names);
        if (!problem.empty())
            throw RunError{utf8(g.code) + ": " + problem + " Nothing was imported."};
        entries.push_back(g.texts);
    }
    return entries;
}

int runImport(const Options& o) {
    onlyOptions(o, {"--catalogue", "--replace", "--skip-existing", "--dry-run", "--epsg"});
    if (o.epsg ? !o.files.empty() : o.files.size() != 1)
        throw UsageError{o.epsg ? "import --epsg takes no FILE"
                                : "import takes one FILE (- for standard input) or --epsg CODE"};
    if (o.replace && o.skipExisting)
        throw UsageError{"--replace and --skip-existing do not go together"};
    std::vector<catalogue::EntryTexts> entries;
    if (o.epsg) {
        entries = registryImport(*o.epsg);
    } else if (o.files[0] == "-") {
        entries = readImport("standard input", std::cin);
    } else {
        const std::string& file = o.files[0];
        std::ifstream in(file, std::ios::binary);
        if (!in)
            throw RunError{file + ": " + std::strerror(errno)};
        entries = readImport(file, in);
    }

    catalogue::CatalogueStore store = openCatalogue(o, o.dryRun);
    std::vector<catalogue::Entry> existing;
    try {
        existing = store.ListEntries();
    } catch (const catalogue::StoreError& e) {
        storeFailed(store, e);
    }
    // Names compare ignoring case, as a selection finds them.
    std::map<QString, const catalogue::Entry*> byName;
    for (const catalogue::Entry& e : existing)
        byName.emplace(e.texts.name.toLower(), &e); // the first of equal names, as a lookup finds
    std::vector<catalogue::EntryTexts> added;
    std::vector<catalogue::Entry> replaced;
    std::vector<std::string> clashes, skipped;
    for (const catalogue::EntryTexts& t : entries) {
        const auto it = byName.find(t.name.toLower());
        if (it == byName.end()) {
            added.push_back(t);
        } else if (o.replace) {
            replaced.push_back({it->second->ref, t});
        } else if (o.skipExisting) {
            skipped.push_back(utf8(t.name));
        } else {
            clashes.push_back(utf8(t.name));
        }
    }
    if (!clashes.empty()) {
        std::string list;
        for (const std::string& n : clashes)
            list += "\n  " + n;
        throw RunError{"the catalogue already has " + std::to_string(clashes.size()) +
                       (clashes.size() == 1 ? " entry" : " entries") +
                       " of these names (case ignored); nothing was imported. Use --replace to "
                       "update them or --skip-existing to leave them:" +
                       list};
    }
    if (o.dryRun) {
        // What the import would meet: a read-only or locked file, or one
        // that is not Quillmar's alone.
        try {
            catalogue::CatalogueStore(store.path(), false).CheckWritable();
        } catch (const catalogue::StoreError& e) {
            throw RunError{utf8(store.path()) + ": " + utf8(e.message())};
        }
        std::string out;
        for (const auto& t : added)
            out += "add " + utf8(t.name) + '\n';
        for (const auto& e : replaced)
            out += "replace " + utf8(e.texts.name) + '\n';
        for (const auto& n : skipped)
            out += "skip " + n + '\n';
        writeOut(out);
        return 0;
    }
    try {
        store.ImportEntries(added, replaced);
    } catch (const catalogue::StoreError& e) {
        throw RunError{utf8(store.path()) + ": " + utf8(e.message()) +
                       " The catalogue was not changed."};
    }
    return 0;
}

// search: the registry's grids whose code or name matches the words.
int runSearch(const Options& o) {
    onlyOptions(o, {"--all"});
    QStringList words;
    for (const std::string& w : o.files)
        words << QString::fromStdString(w);
    registry::Registry& r = registry::Registry::Instance();
    const std::vector<registry::Grid> grids = r.Search(words.join(QLatin1Char(' ')), o.all);
    if (!r.loadError().isEmpty())
        throw RunError{utf8(r.loadError())};
    std::string out;
    for (const registry::Grid& g : grids) {
        out += utf8(g.code) + '\t' + utf8(g.name);
        if (!g.usable)
            out += '\t' + utf8(g.reason);
        out += '\n';
    }
    writeOut(out);
    return grids.empty() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quillmar-batch %s\n", QUILLMAR_VERSION);
            return 0;
        }
    }
    try {
        const Options o = parseArgs(QCoreApplication::arguments());
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
        if (o.command == "search")
            return runSearch(o);
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
