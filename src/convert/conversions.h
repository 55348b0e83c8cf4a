// The arithmetic and texts of the three working tabs, free of any window so
// the command-line tool gives exactly the texts the windows show.
//
// Inputs are field texts as typed; outputs are the texts the window writes,
// or the message it shows. No Qt.
#pragma once

#include "accuracy.h"
#include "degreetext.h"
#include "gridref.h"
#include "geodesy.h"
#include "numtext.h"

#include "outcome.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace convert {

using numtext::Outcome;
using numtext::Status;

// A result more than 1 mm from the exact projection, and where: the typed
// position (Geog to Grid, Distance) or the exact one (Grid to Geog), signed
// degrees.
struct InexactAt {
    accuracy::Finding finding;
    double lat = 0, lon = 0;
};

// The parameter set a conversion uses: a projection built once from the
// values on the Spheroid tab (or the command line), or why there is none.
struct InForce {
    std::shared_ptr<const geo::Projection> projection; // null: nothing to convert with
    Status status = Status::SelectSpheroid; // when null: SelectSpheroid or Unusable
    std::string problem; // when Unusable: what does not read, naming the field
    // The exact projection on the same values, made ready with it.
    std::shared_ptr<const accuracy::Checker> checker;
    // The grid whose references the set writes, recognised by its values.
    gridref::ParameterSet gridSet;
    gridref::Recognised grid;
};

// From values already read; Unusable when the arithmetic refuses them.
InForce Make_In_Force(const geo::ParameterValues& v);

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
    // A result more than 1 mm from the exact projection is refused (Inexact)
    // instead of shown with a warning (quillmar-batch).
    bool refuseInexact = false;
    // Ellipsoidal height in metres as typed (empty: none): the elevation and
    // combined scale factors follow. Refused as field 8.
    std::string height;
    bool gridref = false; // also the grid reference of the position
};

// Convergence and point scale factor where a conversion ends (survey.h);
// each absent where it cannot be computed. With a height: the elevation
// factor R / (R + h) and the combined scale factor k R / (R + h).
struct PointFactors {
    std::optional<double> convergence; // degrees, clockwise from true north
    std::optional<double> scale;
    std::optional<double> elevation;
    std::optional<double> combined;
};

// `field` is the entry to focus after a refusal, in keyboard order (0-7).
struct GridTexts : Outcome {
    std::string easting; // "#####0.000"
    std::string northing; // "######0.000"
    double easting_value = 0, northing_value = 0; // unrounded, on success
    PointFactors factors; // when asked for, at the typed position
    std::string gridref;  // when asked for and the set names a grid
    // Set when the series are more than 1 mm from the exact projection here.
    std::optional<InexactAt> inexact;
};

GridTexts Geog_To_Grid(const InForce& pf, const GeogInput& in);

// "Grid to Geog".
// With a set that names a grid (gridref.h), an easting that holds a grid
// reference and an empty northing read the reference, at the centre of its
// square.
struct GridInput {
    std::string easting, northing;
    bool factors = false; // also the convergence and scale at the result
    bool refuseInexact = false; // as GeogInput
    std::string height;   // as GeogInput; refused as field 2
    bool gridref = false; // also the grid reference of the typed position
};

// `field`: 0 the easting, 1 the northing (keyboard order).
struct GeogTexts : Outcome {
    numtext::GeographicResult result;           // valid on success only
    double latitude = 0, longitude = 0;         // signed degrees, on success
    PointFactors factors;                       // when asked for
    std::optional<InexactAt> inexact;           // as GridTexts; exact_geog set
    std::string gridref;                        // of the typed position, when asked for
    std::string gridrefRead;                    // the reference read, when one was
};

GeogTexts Grid_To_Geog(const InForce& pf, const GridInput& in);

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
    bool refuseInexact = false; // as GeogInput
    // Heights of the two positions, metres (fields 20 and 21): with both,
    // the ground distance and the combined line factor.
    std::string height1, height2;
};

// The line between the two positions, each absent where it cannot be
// computed. The grid distance and bearing come from the unrounded eastings
// and northings; in grid mode the positions on the spheroid come from the
// inverse conversion.
struct LineFactors {
    std::optional<double> geodesic;      // s12, metres
    std::optional<double> azimuth12;     // at position 1 towards 2, [0, 360)
    std::optional<double> azimuth2;      // at position 2, direction of travel
    std::optional<double> bearing12;     // grid bearing 1 to 2, [0, 360)
    std::optional<double> grid_distance; // metres
    std::optional<double> line_scale;    // grid distance / s12
    std::optional<double> ground_distance; // at the mean height, metres
    std::optional<double> combined_line;   // grid distance / ground distance
};

// `field`: 0-15 geographic, 16-19 grid.
struct DistanceTexts : Outcome {
    std::string kms;     // "#.00"
    std::string miles;   // "#.00"
    LineFactors line;    // when asked for
    // The position further from the exact projection, when one is more than
    // 1 mm from it.
    std::optional<InexactAt> inexact;
};

// Geographic mode projects as Geog_To_Grid does; both positions must have
// their degree fields filled.
DistanceTexts Point_Distance(const InForce& pf, const DistanceInput& in);

// Texts of the quantities beside the coordinates; empty when absent.
// Degrees, minutes and seconds to 0.01", e.g. "-1° 02' 03.45\"" (a sign only
// when `withSign`; a value that rounds to zero has none).
std::string Dms_Text(std::optional<double> degrees, bool withSign);
std::string Scale_Text(std::optional<double> k); // 8 decimals
std::string Metres_Text(std::optional<double> m); // 3 decimals

// The warning line of a tab whose result is more than 1 mm from the exact
// projection; Grid to Geog writes the exact position in its result layout.
std::string Accuracy_Text(const accuracy::Finding& f);
std::string Accuracy_Text(const accuracy::Finding& f, bool minutesLayout);

// Messages of the working tabs.
inline const std::string kSelectSpheroid = "Select spheroid.";
inline const std::string kEnterPosition = "Enter position.";
inline const std::string kSelectSpheroidOrMeridian = "Select a spheroid or enter central meridian";
inline const std::string kMustBeNumeric = "Entry must be numeric";
// Followed by the reading's problem, which names the field.
inline const std::string kUnusable = "The parameter set on the Spheroid tab cannot be used: ";

} // namespace convert
