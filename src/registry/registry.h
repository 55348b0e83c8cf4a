// The Transverse Mercator grids of the EPSG registry that PROJ installs
// (proj.db), read through PROJ's C API, and the PROJ string of any parameter
// set. Qt Core only: the command-line tool uses it without the windows.
//
// A grid is usable when its conversion is Transverse Mercator (EPSG method
// 9807) and both its axes are in metres, east and north in either order: a
// northing-first grid is used with Quillmar's easting and northing as they
// are. Everything else is listed with the reason it cannot be used.
#pragma once

#include "store.h"

#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace registry {

// The seven numbers of a parameter set, angles in decimal degrees (south and
// west negative), lengths in metres.
struct Params {
    double a = 0;  // semi-major axis
    double e2 = 0; // eccentricity squared
    double k0 = 0;
    double fe = 0;
    double fn = 0;
    double lat0 = 0;
    double lon0 = 0;
};

struct Grid {
    QString code; // "EPSG:2157"
    QString name; // as the registry names it; empty for an unknown code
    bool usable = false;
    QString reason; // why not, naming the grid; empty when usable
    // The rest is filled only for a usable grid.
    catalogue::EntryTexts texts; // the eight texts of a catalogue entry
    Params params;
    double inverseFlattening = 0; // as PROJ gives it; 0 for a sphere
    QString projString;           // Proj_String of the grid's own numbers
    QString geographicCode;       // its geographic CRS, "EPSG:4173"
    bool northingFirst = false;   // the registry's axis order; nothing else changes
};

class Registry {
  public:
    // The registry of the installed proj.db (PROJ's search path). Loaded the
    // first time a grid is asked for, then kept; thread-safe.
    static Registry& Instance();

    Registry();
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Grids whose code matches a code query ("2157", "EPSG:2157", "epsg 2157":
    // the grid with that code, then those whose code begins with it), or
    // whose name contains every word of the query, case ignored. An empty
    // query matches every grid. Usable grids only unless includeUnusable;
    // in the registry's order of codes.
    std::vector<Grid> Search(const QString& query, bool includeUnusable = false);

    // The grid with that code ("2157" or "EPSG:2157"). Always a Grid: a code
    // that is not a usable grid comes back unusable with its reason, an
    // unknown one too.
    Grid Lookup(const QString& code);

    // Counts after loading.
    int usableCount();
    int totalCount();
    // Why nothing could be read (no proj.db); empty when the registry loaded.
    QString loadError();
    // How long the one load took, milliseconds.
    double loadMilliseconds();

    // The number in a code query, or nullopt when the text is not one.
    static std::optional<int> Code_Number(const QString& text);

  private:
    struct Impl;
    void ensureLoaded();
    std::unique_ptr<Impl> d;
    std::once_flag loaded_;
    std::mutex mutex_;
};

// "+proj=tmerc +lat_0=53.5 +lon_0=-8 +k=0.99982 +x_0=600000 +y_0=750000
// +a=6378137 +rf=298.257222101 +units=m +no_defs". The inverse flattening is
// the shortest text whose e^2 = f(2 - f) is p.e2 to the last bit where one
// exists; a sphere (e^2 = 0) gets +b=a. Empty when e^2 is outside [0, 1)
// or a number is not finite.
QString Proj_String(const Params& p);
// The geographic CRS on the same ellipsoid: "+proj=longlat +a=… +rf=…
// +no_defs". Empty as Proj_String.
QString Geographic_Proj_String(double a, double e2);
// The same with an inverse flattening as the registry gives it.
QString Proj_String(const Params& p, double inverseFlattening);

// The seven numbers of catalogue texts: five numbers, the latitude of origin
// ("53.5 N") and the central meridian ("8 W", "113.75 W") read with their
// decimals. nullopt, with the first field that does not read in *error.
std::optional<Params> Params_From_Texts(const catalogue::EntryTexts& t, QString* error = nullptr);

// Degrees as the shortest text that reads back to the same double, a blank
// and the letter: "53.5 N", "8 W", "0 N". positive/negative: 'N','S' or 'E','W'.
QString Degree_Text(double degrees, char positive, char negative);

// e^2 = f(2 - f) with f = 1/rf; 0 for rf = 0 (a sphere).
double Eccentricity_Squared(double inverseFlattening);

} // namespace registry
