#include "records.h"

#include "csv.h"
#include "numtext.h"

#include <exception>
#include <initializer_list>
#include <optional>

namespace batch {

size_t Field_Count(const Settings& s) {
    switch (s.command) {
    case Command::Geog2Grid:
        return s.decimal ? 2 : s.minutes ? 6 : 8;
    case Command::Grid2Geog:
        return 2;
    case Command::Distance:
        return s.grid ? 4 : (s.minutes ? 12 : 16);
    case Command::Angles:
    case Command::Bearings:
        return 6;
    }
    return 0;
}

namespace {

using Kind = FieldLayout::Kind;
using Layout = FieldLayout;

// One angle's fields: degrees, minutes, seconds (unless minutes only), letter.
void addAngle(Layout& l, const std::string& what, bool latitude, bool minutes) {
    for (std::string_view part : {"degrees", "minutes", "seconds", "letter"}) {
        if (minutes && part == "seconds")
            continue;
        l.captions.push_back(what + " " + std::string(part));
        l.kinds.push_back(part != "letter" ? Kind::Number
                          : latitude       ? Kind::NorthSouth
                                           : Kind::EastWest);
    }
}

bool isLetter(std::string_view text, char upper) {
    return text.size() == 1 && (text[0] == upper || text[0] == upper - 'A' + 'a');
}

} // namespace

FieldLayout Layout_Of(const Settings& s) {
    Layout l;
    auto plain = [&](std::initializer_list<const char*> names) {
        for (const char* n : names) {
            l.kinds.push_back(Kind::Number);
            l.captions.emplace_back(n);
        }
    };
    switch (s.command) {
    case Command::Geog2Grid:
        if (s.decimal) {
            plain({"latitude", "longitude"});
        } else {
            addAngle(l, "latitude", true, s.minutes);
            addAngle(l, "longitude", false, s.minutes);
        }
        break;
    case Command::Grid2Geog:
        plain({"easting", "northing"});
        break;
    case Command::Distance:
        if (s.grid) {
            plain({"position 1 easting", "position 1 northing", "position 2 easting",
                   "position 2 northing"});
        } else {
            for (const char* pos : {"position 1", "position 2"}) {
                addAngle(l, std::string(pos) + " latitude", true, s.minutes);
                addAngle(l, std::string(pos) + " longitude", false, s.minutes);
            }
        }
        break;
    case Command::Angles:
        plain({"E1", "N1", "E2", "N2", "angle a", "angle b"});
        break;
    case Command::Bearings:
        plain({"E1", "N1", "E2", "N2", "bearing a", "bearing b"});
        break;
    }
    return l;
}

std::vector<std::string> Result_Names(const Settings& s) {
    std::vector<std::string> names;
    switch (s.command) {
    case Command::Geog2Grid:
        names = {"easting", "northing"};
        break;
    case Command::Grid2Geog:
        names = {"latitude", "longitude"};
        break;
    case Command::Distance:
        names = {"kms", "n. miles"};
        break;
    case Command::Angles:
    case Command::Bearings:
        names = {"E3", "N3"};
        break;
    }
    for (Settings::Extra e : s.with) {
        switch (e) {
        case Settings::Extra::Convergence:
            names.emplace_back("convergence");
            break;
        case Settings::Extra::Scale:
            names.emplace_back("scale");
            break;
        case Settings::Extra::Geodesic:
            names.insert(names.end(), {"geodesic", "azimuth 1-2", "azimuth 2", "grid bearing",
                                       "grid distance", "line scale"});
            break;
        }
    }
    return names;
}

bool Converter::Check(const std::vector<std::string_view>& fields, std::string& message) const {
    const Layout& l = layout_;
    for (size_t i = 0; i < fields.size() && i < l.kinds.size(); ++i) {
        const std::string_view t = fields[i];
        if (t.empty())
            continue;
        const char* expected = nullptr;
        switch (l.kinds[i]) {
        case Kind::Number:
            if (!numtext::Is_Number(t))
                expected = "a number";
            break;
        case Kind::NorthSouth:
            if (!isLetter(t, 'N') && !isLetter(t, 'S'))
                expected = "N or S";
            break;
        case Kind::EastWest:
            if (!isLetter(t, 'E') && !isLetter(t, 'W'))
                expected = "E or W";
            break;
        }
        if (expected) {
            message = "field " + std::to_string(i + 1) + " (" + l.captions[i] + "): \"" +
                      std::string(t) + "\" is not " + expected;
            return false;
        }
    }
    return true;
}

Converter::Converter(const Settings& s) : s_(s), layout_(Layout_Of(s)) {
    geog_.lenient = !s.strict;
    dist_.lenient = !s.strict;
    for (Settings::Extra e : s.with) {
        geog_.factors = grid_.factors = geog_.factors || e != Settings::Extra::Geodesic;
        dist_.geodesic = dist_.geodesic || e == Settings::Extra::Geodesic;
    }
}

namespace {

void appendResult(std::string& out, std::string_view text, char delimiter) {
    out.push_back(delimiter == kBlankRuns ? ' ' : delimiter);
    Append_Field(out, text, delimiter);
}

// Degrees, minutes, seconds and letter of one angle starting at fields[i];
// without seconds the seconds field stays empty, as the hidden field is not
// read. Returns the index after the angle.
size_t takeAngle(const std::vector<std::string_view>& fields, size_t i, bool minutes,
                 std::string& deg, std::string& min, std::string& sec, std::string& letter) {
    deg.assign(fields[i++]);
    min.assign(fields[i++]);
    if (minutes)
        sec.clear();
    else
        sec.assign(fields[i++]);
    letter.assign(fields[i++]);
    return i;
}

// A quantity in decimal, empty where it could not be computed.
void appendNumber(std::string& out, const std::optional<double>& x, const char* mask,
                  char delimiter) {
    appendResult(out, x ? numtext::Format_Mask(*x, mask) : std::string(), delimiter);
}

constexpr const char* kDegrees = "0.000000000";
constexpr const char* kFactor = "0.0000000000";
constexpr const char* kMetres = "0.0000";

void appendPoint(std::string& out, const Settings& s, const convert::PointFactors& f) {
    for (Settings::Extra e : s.with) {
        if (e == Settings::Extra::Convergence)
            appendNumber(out, f.convergence, kDegrees, s.delimiter);
        else if (e == Settings::Extra::Scale)
            appendNumber(out, f.scale, kFactor, s.delimiter);
    }
}

void appendLine(std::string& out, const Settings& s, const convert::LineFactors& l) {
    if (s.with.empty())
        return;
    appendNumber(out, l.geodesic, kMetres, s.delimiter);
    appendNumber(out, l.azimuth12, kDegrees, s.delimiter);
    appendNumber(out, l.azimuth2, kDegrees, s.delimiter);
    appendNumber(out, l.bearing12, kDegrees, s.delimiter);
    appendNumber(out, l.grid_distance, kMetres, s.delimiter);
    appendNumber(out, l.line_scale, kFactor, s.delimiter);
}

} // namespace

bool Converter::Convert(const std::vector<std::string_view>& f, std::string& out,
                        std::string& message) {
    try {
        switch (s_.command) {
        case Command::Geog2Grid: {
            if (s_.decimal) {
                // The window with the numbers in its degree fields and no letters.
                geog_.withSeconds = true;
                geog_.lat_deg.assign(f[0]);
                geog_.long_deg.assign(f[1]);
                for (std::string* t : {&geog_.lat_min, &geog_.lat_sec, &geog_.ns, &geog_.long_min,
                                       &geog_.long_sec, &geog_.ew})
                    t->clear();
            } else {
                geog_.withSeconds = !s_.minutes;
                size_t i = takeAngle(f, 0, s_.minutes, geog_.lat_deg, geog_.lat_min,
                                     geog_.lat_sec, geog_.ns);
                takeAngle(f, i, s_.minutes, geog_.long_deg, geog_.long_min, geog_.long_sec,
                          geog_.ew);
            }
            const convert::GridTexts r = convert::Geog_To_Grid(s_.inForce, geog_);
            if (!r.message.empty()) {
                message = r.message;
                return false;
            }
            appendResult(out, r.easting, s_.delimiter);
            appendResult(out, r.northing, s_.delimiter);
            appendPoint(out, s_, r.factors);
            return true;
        }
        case Command::Grid2Geog: {
            grid_.easting.assign(f[0]);
            grid_.northing.assign(f[1]);
            const convert::GeogTexts r = convert::Grid_To_Geog(s_.inForce, grid_);
            if (!r.message.empty()) {
                message = r.message;
                return false;
            }
            if (s_.decimal) {
                appendResult(out, numtext::Format_Mask(r.latitude, kDegrees), s_.delimiter);
                appendResult(out, numtext::Format_Mask(r.longitude, kDegrees), s_.delimiter);
            } else {
                const numtext::LayoutTexts t = s_.layoutMinutes
                                                   ? numtext::Layout_Minutes(r.result)
                                                   : numtext::Layout_Seconds(r.result);
                appendResult(out, t.lat, s_.delimiter);
                appendResult(out, t.lon, s_.delimiter);
            }
            appendPoint(out, s_, r.factors);
            return true;
        }
        case Command::Distance: {
            dist_.withSeconds = !s_.minutes;
            if (s_.grid) {
                for (auto& g : dist_.geog)
                    g.clear();
                for (size_t k = 0; k < 4; ++k)
                    dist_.grid[k].assign(f[k]);
            } else {
                for (auto& g : dist_.grid)
                    g.clear();
                size_t i = 0;
                for (size_t k = 0; k < 16; k += 4)
                    i = takeAngle(f, i, s_.minutes, dist_.geog[k], dist_.geog[k + 1],
                                  dist_.geog[k + 2], dist_.geog[k + 3]);
            }
            const convert::DistanceTexts r = convert::Point_Distance(s_.inForce, dist_);
            if (!r.message.empty()) {
                message = r.message;
                return false;
            }
            appendResult(out, r.kms, s_.delimiter);
            appendResult(out, r.miles, s_.delimiter);
            appendLine(out, s_, r.line);
            return true;
        }
        case Command::Angles:
        case Command::Bearings: {
            plane_.E1.assign(f[0]);
            plane_.N1.assign(f[1]);
            plane_.E2.assign(f[2]);
            plane_.N2.assign(f[3]);
            plane_.a.assign(f[4]);
            plane_.b.assign(f[5]);
            const intersect::IntersectionResult r = s_.command == Command::Angles
                                                        ? intersect::Solve_From_Angles(plane_)
                                                        : intersect::Solve_From_Bearings(plane_);
            if (!r.ok()) {
                message = r.message;
                return false;
            }
            appendResult(out, r.E3, s_.delimiter);
            appendResult(out, r.N3, s_.delimiter);
            return true;
        }
        }
    } catch (const std::exception& e) {
        // A numeric failure the window has no message for.
        message = e.what();
        return false;
    }
    return false;
}

} // namespace batch
