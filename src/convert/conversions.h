// The arithmetic and texts of the three working tabs, free of any window so
// the command-line tool gives exactly the texts the windows show.
//
// Inputs are field texts as typed; outputs are the texts the window writes,
// or the message it shows. No Qt.
#pragma once

#include "degreetext.h"
#include "geodesy.h"
#include "numtext.h"

#include <array>
#include <optional>
#include <string>

namespace convert {

// What a working tab reads from the Spheroid tab at a click.
struct SpheroidTexts {
    std::string cm_text;   // central-meridian text, e.g. "2 W"; empty: no spheroid
    std::string orig_text; // latitude-of-origin text, e.g. "49 N" or "53.5 N"
    // Why the parameter set in force cannot be used (a selected entry with a
    // value that does not convert, a meridian that did not read); empty when
    // it can. A non-empty text is the message every tab refuses with.
    std::string unusable;
};

// Outcome of a conversion; the message text is for display only.
enum class Status {
    Ok,
    SelectSpheroid,  // no central meridian
    Unusable,        // the parameter set in force cannot be used
    EnterPosition,   // a degree field left empty
    NotNumeric,      // a grid entry that is not a number
    BadMeridian,     // a central-meridian text that does not read
    BadOrigin,       // a latitude-of-origin text that does not read
    OriginRange,     // a latitude of origin beyond 90 degrees
    OutOfRange,      // minutes or seconds outside [0, 60), an angle beyond 90 or 180
    BadLetter,       // a hemisphere field that is not its letter
    AmbiguousSign,   // a minus in the degrees together with S or W
    NoResult,        // the arithmetic gives no finite result
    TooLarge,        // a distance coordinate beyond single precision
};

// "Geog to Grid": degrees, minutes, seconds and letters of one position.
struct GeogInput {
    std::string lat_deg, lat_min, lat_sec, ns;
    std::string long_deg, long_min, long_sec, ew;
    bool withSeconds = true; // "Deg, Min, Sec"; otherwise "Deg, Minutes"
    // Strict reading (the windows'): every field empty or a number, minutes
    // and seconds in [0, 60), latitudes within 90 and longitudes within 180
    // degrees, letters N/S and E/W, and a minus in the degrees negating the
    // whole angle (refused together with S or W). Lenient: every text through
    // Read_Number and the letter on top of a typed sign, as earlier versions
    // read them (quillmar-batch --as-window).
    bool lenient = false;
    bool factors = false; // also the convergence and scale at the position
};

// Convergence and point scale factor where a conversion ends (survey.h);
// each absent where it cannot be computed.
struct PointFactors {
    std::optional<double> convergence; // degrees, clockwise from true north
    std::optional<double> scale;
};

struct GridTexts {
    Status status = Status::Ok;
    std::string message; // empty on success, else the text of the box
    int field = -1;      // the entry to focus after a refusal, in keyboard order
    std::string easting; // "#####0.000"
    std::string northing; // "######0.000"
    double easting_value = 0, northing_value = 0; // unrounded, on success
    PointFactors factors; // when asked for, at the typed position
};

// The central meridian is p.central_meridian; the latitude of origin is read
// from sph.orig_text.
GridTexts Geog_To_Grid(const geo::ProjectionParams& p, const SpheroidTexts& sph,
                       const GeogInput& in);

// "Grid to Geog".
struct GridInput {
    std::string easting, northing;
    bool factors = false; // also the convergence and scale at the result
};

struct GeogTexts {
    enum class Bad { None, Northing, Easting }; // field to empty and focus
    Status status = Status::Ok;
    std::string message;                        // empty on success
    Bad bad = Bad::None;
    numtext::GeographicResult result;           // valid on success only
    double latitude = 0, longitude = 0;         // signed degrees, on success
    PointFactors factors;                       // when asked for
};

// Central meridian and latitude of origin both from their texts.
GeogTexts Grid_To_Geog(const geo::ProjectionParams& p, const SpheroidTexts& sph,
                       const GridInput& in);

// "Distance": sixteen geographic texts in focus order (position 1 latitude
// deg, min, sec, letter; longitude deg, min, sec, letter; then position 2),
// and the four grid texts E1, N1, E2, N2. Geographic mode when the first
// text (position 1 latitude degrees) is not empty.
struct DistanceInput {
    std::array<std::string, 16> geog;
    std::array<std::string, 4> grid;
    bool withSeconds = true;
    bool lenient = false; // as GeogInput; grid fields empty or numbers when strict
    bool geodesic = false; // also the quantities of LineFactors
};

// The line between the two positions, each absent where it cannot be
// computed. The grid distance and bearing come from the unrounded eastings
// and northings; in grid mode the positions on the spheroid come from the
// inverse conversion, with the meridian and origin Grid_To_Geog reads.
struct LineFactors {
    std::optional<double> geodesic;      // s12, metres
    std::optional<double> azimuth12;     // at position 1 towards 2, [0, 360)
    std::optional<double> azimuth2;      // at position 2, direction of travel
    std::optional<double> bearing12;     // grid bearing 1 to 2, [0, 360)
    std::optional<double> grid_distance; // metres
    std::optional<double> line_scale;    // grid distance / s12
};

struct DistanceTexts {
    Status status = Status::Ok;
    std::string message; // empty on success
    int field = -1;      // entry to focus: 0-15 geographic, 16-19 grid
    std::string kms;     // "#.00"
    std::string miles;   // "#.00"
    LineFactors line;    // when asked for
};

// Geographic mode projects as Geog_To_Grid does; both positions must have
// their degree fields filled.
DistanceTexts Point_Distance(const geo::ProjectionParams& p, const SpheroidTexts& sph,
                             const DistanceInput& in);

// Texts of the quantities beside the coordinates; empty when absent.
// Degrees, minutes and seconds to 0.01", e.g. "-1° 02' 03.45\"" (a sign only
// when `withSign`; a value that rounds to zero has none).
std::string Dms_Text(std::optional<double> degrees, bool withSign);
std::string Scale_Text(std::optional<double> k); // 8 decimals
std::string Metres_Text(std::optional<double> m); // 3 decimals

// Messages of the working tabs.
inline const std::string kSelectSpheroid = "Select spheroid.";
inline const std::string kEnterPosition = "Enter position.";
inline const std::string kSelectSpheroidOrMeridian = "Select a spheroid or enter central meridian";
inline const std::string kMustBeNumeric = "Entry must be numeric";
inline const std::string kBadOrigin =
    "The latitude of origin must be a number of degrees, e.g. 49 N.";
inline const std::string kOriginRange =
    "The latitude of origin must lie between 90 S and 90 N.";

} // namespace convert
