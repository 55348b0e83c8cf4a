// One record of a batch command: the field texts of one window, converted
// with the window's own functions into the texts it would show.
#pragma once

#include "conversions.h"
#include "geodesy.h"
#include "intersection.h"

#include <string>
#include <string_view>
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
    // Every number field empty or a number, every letter field empty or one
    // of its letters; otherwise a window's lenient reading of every field.
    bool strict = true;
    char delimiter = ',';     // or '\t', ';', or ' ' for runs of blanks
    bool header = false;      // the first line names the columns
    bool resultsOnly = false; // only the result columns are written
    enum class OnError { Skip, Mark, Stop } onError = OnError::Skip;
    // Quantities appended after the results, in this order (--with).
    enum class Extra { Convergence, Scale, Geodesic };
    std::vector<Extra> with;
};

// How many fields a record of this command holds.
size_t Field_Count(const Settings& s);
// Names of the result columns, for a header line; their count is what a
// marked refusal fills with "*".
std::vector<std::string> Result_Names(const Settings& s);

// Kinds and captions of a record's fields, in order.
struct FieldLayout {
    enum class Kind { Number, NorthSouth, EastWest };
    std::vector<Kind> kinds;
    std::vector<std::string> captions;
};
FieldLayout Layout_Of(const Settings& s);

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

  private:
    const Settings& s_;
    FieldLayout layout_;
    convert::GeogInput geog_;
    convert::GridInput grid_;
    convert::DistanceInput dist_;
    intersect::IntersectionInput plane_;
};

} // namespace batch
