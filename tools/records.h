// One record of a batch command: the field texts of one window, converted
// with the window's own functions into the texts it would show.
#pragma once

#include "accuracy.h"
#include "conversions.h"
#include "geodesy.h"
#include "intersection.h"
#include "survey.h"

#include <memory>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace batch {

enum class Command { Geog2Grid, Grid2Geog, Distance, Angles, Bearings };

struct Settings {
    Command command = Command::Geog2Grid;
    // The parameter set, made ready once per run and shared by every thread.
    convert::InForce inForce;
    bool minutes = false;       // geog2grid, distance: "Deg, Minutes" entry
    bool layoutMinutes = false; // grid2geog: "Deg, Minutes" result layout
    bool grid = false;          // distance: the four grid fields
    bool decimal = false;       // geog2grid: signed decimal degrees in; grid2geog: out
    // geog2grid: latitude and longitude each in one field, degrees, minutes
    // and seconds as surveyors write them; grid2geog: results so written.
    bool dms = false;
    bool lonLat = false;       // --decimal and --dms: longitude first, in and out
    bool decimalComma = false; // numbers read and results written with ","
    int precision = -1;        // decimals of metres and decimal degrees; -1: the window's
    // Every number field empty or a number, every letter field empty or one
    // of its letters; otherwise a window's lenient reading of every field.
    bool strict = true;
    char delimiter = ',';     // or '\t', ';', or ' ' for runs of blanks
    bool header = false;      // the first line names the columns
    bool resultsOnly = false; // only the result columns are written
    // Mark keeps output lines level with input lines, as cs2cs does.
    enum class OnError { Skip, Mark, Stop } onError = OnError::Mark;
    // Quantities appended after the results, in this order (--with).
    enum class Extra { Convergence, Scale, Elevation, Combined, Gridref, Geodesic, Ground };
    std::vector<Extra> with;
    // --exact: geog2grid and grid2geog with the exact projection instead of
    // the series, built once per run; null otherwise. Without it a record
    // whose series result is more than 1 mm from the exact one is refused.
    std::shared_ptr<const accuracy::ExactTm> exact;
    // --height: one ellipsoidal height for every record (text as given);
    // recordHeights: per record, from the columns --fields h= (h1=, h2=)
    // names, which then follow the layout's fields.
    std::string height;
    bool recordHeights = false;
    // grid2geog --gridref: one field holding a grid reference.
    bool gridrefIn = false;
    // --output: each converted record is also handed over as cells (see
    // Converter::Point), refusals and comments are not.
    bool layer = false;
    // The header's fields, once read (--header), for the layer's columns.
    std::vector<std::string> headerNames;
    // --fields: where each layout field stands in the record (0-based), in
    // layout order; empty: the record is the layout's fields alone. The
    // other columns pass through.
    std::vector<size_t> columns;
    // The columns named by header name, resolved against the header line
    // (Resolve_Columns): layout field index and name.
    std::vector<std::pair<size_t, std::string>> columnNames;
    size_t headerFields = 0; // fields of the header line, once read
};

// How many fields a record of this command holds (heights from the record
// not counted: they come only through --fields).
size_t Field_Count(const Settings& s);
// Names of the result columns, for a header line; their count is what a
// marked refusal fills with "*".
std::vector<std::string> Result_Names(const Settings& s);

// Kinds and captions of a record's fields, in order.
struct FieldLayout {
    enum class Kind { Number, NorthSouth, EastWest, DmsLatitude, DmsLongitude, Text };
    std::vector<Kind> kinds;
    std::vector<std::string> captions;
    std::vector<std::string> keys; // the names --fields gives them
};
FieldLayout Layout_Of(const Settings& s);

// Reads "--fields key=COLUMN,..." into s.columns (numbers, from 1) and
// s.columnNames (header names, with --header). Every layout field must be
// named once. False with `error` set otherwise.
bool Parse_Fields(Settings& s, const std::string& text, std::string& error);
// Resolves s.columnNames against the header's fields (case ignored).
bool Resolve_Columns(Settings& s, const std::vector<std::string_view>& header,
                     std::string& error);

// An angle in one field as GeographicLib's DMS reader takes it
// (52°39'27.2531"N, 52d39'27.2531"N, 52:39:27.2531N), also with blanks
// between the parts (52 39 27.2531 N, -52 39 27.2531). Strict: minutes and
// seconds below 60, within 90 (latitude) or 180 degrees, the hemisphere
// letter of the coordinate, never with a sign. nullopt when not.
std::optional<double> Read_Dms(std::string_view text, bool latitude);
// 52°39'27.2531"N, 001°30'00.0000"W.
std::string Dms_Text(double degrees, bool latitude);

// Converts records one after another; keeps its input structures between
// records so a long run does not allocate per record. One per thread.
class Converter {
  public:
    explicit Converter(const Settings& s);
    // `fields` holds exactly Field_Count fields. Appends the delimiter and
    // the text of each result to `out`; on a refusal leaves `out` alone and
    // sets `message`. The strict check is the caller's (Check_Fields).
    bool Convert(const std::vector<std::string_view>& fields, std::string& out,
                 std::string& message);
    // The strict check: true when every field is empty or of its kind, else
    // false with "field K (caption): "text" is not a number" for the first
    // that is not (or "... is not N or S", "... is not E or W").
    bool Check(const std::vector<std::string_view>& fields, std::string& message) const;
    // Where the last converted point lies, as its result texts give it
    // (geog2grid: easting, northing; grid2geog: longitude, latitude).
    double X() const { return x_; }
    double Y() const { return y_; }

  private:
    const Settings& s_;
    FieldLayout layout_;
    convert::GeogInput geog_;
    convert::GridInput grid_;
    convert::DistanceInput dist_;
    intersect::IntersectionInput plane_;
    std::string eastingMask_, degreesMask_; // --precision, or the window's
    std::string windowMask_ = "#####0.000";
    std::string eastingText_, northingText_; // --precision, --exact
    std::optional<survey::Spheroid> spheroid_; // --exact: the quantities at the exact position
    double x_ = 0, y_ = 0;
    bool exactGrid(convert::GeogTexts& r, std::string& message);
    void refuseHeight(int field, std::string& message) const;
};

} // namespace batch
