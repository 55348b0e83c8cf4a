// The arithmetic and texts of the three working tabs, free of any window so
// the command-line tool gives exactly the texts the windows show.
//
// Inputs are field texts as typed; outputs are the texts the window writes,
// or the message it shows. No Qt.
#pragma once

#include "geodesy.h"
#include "numtext.h"

#include <array>
#include <string>

namespace convert {

// "Geog to Grid": degrees, minutes, seconds and letters of one position.
struct GeogInput {
    std::string lat_deg, lat_min, lat_sec, ns;
    std::string long_deg, long_min, long_sec, ew;
    bool withSeconds = true; // "Deg, Min, Sec"; otherwise "Deg, Minutes"
};

struct GridTexts {
    std::string message; // empty on success, else the text of the box
    std::string easting; // "#####0.000"
    std::string northing; // "######0.000"
};

// cm_text: the Spheroid tab's central-meridian text (empty: no spheroid).
GridTexts Geog_To_Grid(const geo::ProjectionParams& p, const std::string& cm_text,
                       const GeogInput& in);

// "Grid to Geog".
struct GridInput {
    std::string easting, northing;
    std::string cm_text;   // Spheroid tab's central-meridian text, e.g. "2 W"
    std::string orig_text; // Spheroid tab's latitude-of-origin text, e.g. "49 N"
};

struct GeogTexts {
    enum class Bad { None, Northing, Easting }; // field to empty and focus
    std::string message;                        // empty on success
    Bad bad = Bad::None;
    numtext::GeographicResult result;           // valid on success only
};

GeogTexts Grid_To_Geog(const geo::ProjectionParams& p, const GridInput& in);

// "Distance": sixteen geographic texts in focus order (position 1 latitude
// deg, min, sec, letter; longitude deg, min, sec, letter; then position 2),
// and the four grid texts E1, N1, E2, N2. Geographic mode when the first
// text (position 1 latitude degrees) is not empty.
struct DistanceInput {
    std::array<std::string, 16> geog;
    std::array<std::string, 4> grid;
    bool withSeconds = true;
};

struct DistanceTexts {
    std::string message; // empty on success
    std::string kms;     // "#.00"
    std::string miles;   // "#.00"
};

DistanceTexts Point_Distance(const geo::ProjectionParams& p, const std::string& cm_text,
                             const DistanceInput& in);

// Messages of the working tabs.
inline const std::string kSelectSpheroid = "Select spheroid.";
inline const std::string kEnterPosition = "Enter position.";
inline const std::string kSelectSpheroidOrMeridian = "Select a spheroid or enter central meridian";
inline const std::string kMustBeNumeric = "Entry must be numeric";

} // namespace convert
