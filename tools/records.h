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
    geo::ProjectionParams params;
    std::string cm_text;   // the Spheroid tab's central-meridian text
    std::string orig_text; // the Spheroid tab's latitude-of-origin text
    bool minutes = false;       // geog2grid, distance: "Deg, Minutes" entry
    bool layoutMinutes = false; // grid2geog: "Deg, Minutes" result layout
    bool grid = false;          // distance: the four grid fields
};

// How many fields a record of this command holds.
size_t Field_Count(const Settings& s);

// Converts records one after another; keeps its input structures between
// records so a long run does not allocate per record. One per thread.
class Converter {
  public:
    explicit Converter(const Settings& s);
    // `fields` holds exactly Field_Count fields. Appends ",text" for each
    // result to `out`; on a refusal leaves `out` alone and sets `message`.
    bool Convert(const std::vector<std::string_view>& fields, std::string& out,
                 std::string& message);

  private:
    const Settings& s_;
    convert::SpheroidTexts sph_;
    convert::GeogInput geog_;
    convert::GridInput grid_;
    convert::DistanceInput dist_;
    intersect::IntersectionInput plane_;
};

} // namespace batch
