#include "records.h"

#include "csv.h"
#include "degreetext.h"
#include "gridref.h"
#include "numtext.h"

#include <GeographicLib/DMS.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <initializer_list>
#include <optional>

namespace batch {

size_t Field_Count(const Settings& s) {
    switch (s.command) {
    case Command::Geog2Grid:
        return s.decimal || s.dms ? 2 : s.minutes ? 6 : 8;
    case Command::Grid2Geog:
        return s.gridrefIn ? 1 : 2;
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
void addAngle(Layout& l, const std::string& what, const std::string& key, bool latitude,
              bool minutes) {
    for (std::string_view part : {"degrees", "minutes", "seconds", "letter"}) {
        if (minutes && part == "seconds")
            continue;
        l.captions.push_back(what + " " + std::string(part));
        l.keys.push_back(key + "-" + std::string(part.substr(0, part == "letter" ? 6 : 3)));
        l.kinds.push_back(part != "letter" ? Kind::Number
                          : latitude       ? Kind::NorthSouth
                                           : Kind::EastWest);
    }
}

// Blanks around a letter are allowed, as they are around a number.
std::string_view trimBlanks(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    return t;
}

bool isLetter(std::string_view text, char upper) {
    text = trimBlanks(text);
    return text.size() == 1 && (text[0] == upper || text[0] == upper - 'A' + 'a');
}

} // namespace

FieldLayout Layout_Of(const Settings& s) {
    Layout l;
    auto plain = [&](std::initializer_list<std::pair<const char*, const char*>> names,
                     Kind kind = Kind::Number) {
        for (const auto& [caption, key] : names) {
            l.kinds.push_back(kind);
            l.captions.emplace_back(caption);
            l.keys.emplace_back(key);
        }
    };
    switch (s.command) {
    case Command::Geog2Grid:
        if (s.decimal || s.dms) {
            const auto lat = std::pair{"latitude", "lat"}, lon = std::pair{"longitude", "lon"};
            const Kind latKind = s.dms ? Kind::DmsLatitude : Kind::Number;
            const Kind lonKind = s.dms ? Kind::DmsLongitude : Kind::Number;
            if (s.lonLat) {
                plain({lon}, lonKind);
                plain({lat}, latKind);
            } else {
                plain({lat}, latKind);
                plain({lon}, lonKind);
            }
        } else {
            addAngle(l, "latitude", "lat", true, s.minutes);
            addAngle(l, "longitude", "lon", false, s.minutes);
        }
        break;
    case Command::Grid2Geog:
        if (s.gridrefIn)
            plain({{"grid reference", "gridref"}}, Kind::Text);
        else
            plain({{"easting", "easting"}, {"northing", "northing"}});
        break;
    case Command::Distance:
        if (s.grid) {
            plain({{"position 1 easting", "e1"}, {"position 1 northing", "n1"},
                   {"position 2 easting", "e2"}, {"position 2 northing", "n2"}});
        } else {
            for (const char* pos : {"1", "2"}) {
                addAngle(l, std::string("position ") + pos + " latitude", std::string("lat") + pos,
                         true, s.minutes);
                addAngle(l, std::string("position ") + pos + " longitude",
                         std::string("lon") + pos, false, s.minutes);
            }
        }
        break;
    case Command::Angles:
        plain({{"E1", "e1"}, {"N1", "n1"}, {"E2", "e2"}, {"N2", "n2"}, {"angle a", "a"},
               {"angle b", "b"}});
        break;
    case Command::Bearings:
        plain({{"E1", "e1"}, {"N1", "n1"}, {"E2", "e2"}, {"N2", "n2"}, {"bearing a", "a"},
               {"bearing b", "b"}});
        break;
    }
    if (s.recordHeights && s.command != Command::Angles && s.command != Command::Bearings) {
        if (s.command == Command::Distance)
            plain({{"height 1", "h1"}, {"height 2", "h2"}});
        else
            plain({{"height", "h"}});
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
        if (s.lonLat)
            names = {"longitude", "latitude"};
        else
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
        case Settings::Extra::Elevation:
            names.emplace_back("elevation");
            break;
        case Settings::Extra::Combined:
            names.emplace_back("combined");
            break;
        case Settings::Extra::Gridref:
            names.emplace_back("gridref");
            break;
        case Settings::Extra::Geodesic:
            names.insert(names.end(), {"geodesic", "azimuth 1-2", "azimuth 2", "grid bearing",
                                       "grid distance", "line scale"});
            break;
        case Settings::Extra::Ground:
            names.insert(names.end(), {"ground distance", "combined line"});
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
        case Kind::DmsLatitude:
            if (!Read_Dms(t, true))
                expected = "a latitude such as 52\u00B039'27.2531\"N";
            break;
        case Kind::DmsLongitude:
            if (!Read_Dms(t, false))
                expected = "a longitude such as 1\u00B043'4.518\"E";
            break;
        case Kind::Text:
            break;
        }
        if (expected) {
            message = "field " + std::to_string((s_.columns.empty() ? i : s_.columns[i]) + 1) + " (" + l.captions[i] + "): \"" +
                      Cut_For_Message(t) + "\" is not " + expected;
            return false;
        }
    }
    return true;
}

namespace {

void appendResult(std::string& out, std::string_view text, char delimiter,
                  bool decimalComma = false) {
    out.push_back(delimiter == kBlankRuns ? ' ' : delimiter);
    if (!decimalComma) {
        Append_Field(out, text, delimiter);
        return;
    }
    std::string comma(text);
    std::replace(comma.begin(), comma.end(), '.', ',');
    Append_Field(out, comma, delimiter);
}

void appendResult(std::string& out, std::string_view text, const Settings& s) {
    appendResult(out, text, s.delimiter, s.decimalComma);
}

// "#####0" and the decimals --precision asks for.
std::string maskWith(const char* whole, int decimals) {
    std::string m(whole);
    if (decimals > 0)
        m += '.' + std::string(size_t(decimals), '0');
    return m;
}

// Degrees, minutes, seconds and letter of one angle starting at fields[i];
// without seconds the seconds field stays empty, as the hidden field is not
// read. Returns the index after the angle. The strict reading takes the
// letter without the blanks around it, as it takes numbers.
size_t takeAngle(const std::vector<std::string_view>& fields, size_t i, bool minutes,
                 std::string& deg, std::string& min, std::string& sec, std::string& letter,
                 bool strict) {
    deg.assign(fields[i++]);
    min.assign(fields[i++]);
    if (minutes)
        sec.clear();
    else
        sec.assign(fields[i++]);
    letter.assign(strict ? trimBlanks(fields[i++]) : fields[i++]);
    return i;
}

// The text the window reads back to exactly `x`.
void exactText(std::string& out, double x) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, x);
    out.assign(buf, r.ptr);
}

// A quantity in decimal, empty where it could not be computed.
void appendNumber(std::string& out, const std::optional<double>& x, const char* mask,
                  const Settings& s) {
    appendResult(out, x ? numtext::Format_Mask(*x, mask) : std::string(), s);
}

constexpr const char* kDegrees = "0.000000000";
constexpr const char* kFactor = "0.0000000000";
constexpr const char* kMetres = "0.0000";

void appendPoint(std::string& out, const Settings& s, const convert::PointFactors& f,
                 const std::string& gridref) {
    for (Settings::Extra e : s.with) {
        switch (e) {
        case Settings::Extra::Convergence:
            appendNumber(out, f.convergence, kDegrees, s);
            break;
        case Settings::Extra::Scale:
            appendNumber(out, f.scale, kFactor, s);
            break;
        case Settings::Extra::Elevation:
            appendNumber(out, f.elevation, kFactor, s);
            break;
        case Settings::Extra::Combined:
            appendNumber(out, f.combined, kFactor, s);
            break;
        case Settings::Extra::Gridref:
            appendResult(out, gridref, s.delimiter); // letters: no decimal comma
            break;
        case Settings::Extra::Geodesic:
        case Settings::Extra::Ground:
            break;
        }
    }
}

void appendLine(std::string& out, const Settings& s, const convert::LineFactors& l) {
    for (Settings::Extra e : s.with) {
        if (e == Settings::Extra::Geodesic) {
            appendNumber(out, l.geodesic, kMetres, s);
            appendNumber(out, l.azimuth12, kDegrees, s);
            appendNumber(out, l.azimuth2, kDegrees, s);
            appendNumber(out, l.bearing12, kDegrees, s);
            appendNumber(out, l.grid_distance, kMetres, s);
            appendNumber(out, l.line_scale, kFactor, s);
        } else if (e == Settings::Extra::Ground) {
            appendNumber(out, l.ground_distance, kMetres, s);
            appendNumber(out, l.combined_line, kFactor, s);
        }
    }
}

// The signed degrees of an angle the conversion has accepted, read as it
// reads them (conversions.cpp), for the exact projection of the same position.
double acceptedAngle(const std::string& deg, const std::string& min, const std::string& sec,
                     const std::string& letter, bool withSeconds, bool latitude, bool lenient) {
    const std::string l = numtext::Upper_Case_Field(letter);
    const bool negativeLetter = l.size() == 1 && l[0] == (latitude ? 'S' : 'W');
    const double d = numtext::Read_Number(deg), m = numtext::Read_Number(min);
    const double sc = withSeconds ? numtext::Read_Number(sec) : 0;
    if (lenient) {
        const double v = withSeconds ? geo::Dms_To_Degrees(d, m, sc) : geo::Dms_To_Degrees(d, m);
        return negativeLetter ? -v : v;
    }
    const size_t first = deg.find_first_not_of(' ');
    const bool minus = first != std::string::npos && deg[first] == '-';
    const double magnitude = withSeconds ? geo::Dms_To_Degrees(std::fabs(d), m, sc)
                                         : geo::Dms_To_Degrees(std::fabs(d), m);
    return (minus || negativeLetter) && magnitude != 0 ? -magnitude : magnitude;
}

// The height a record gives, as the conversion has accepted it.
std::optional<double> acceptedHeight(const std::string& text) {
    if (text.find_first_not_of(" \t") == std::string::npos)
        return std::nullopt;
    return numtext::To_Number(text);
}

} // namespace

Converter::Converter(const Settings& s) : s_(s), layout_(Layout_Of(s)) {
    geog_.lenient = !s.strict;
    dist_.lenient = !s.strict;
    geog_.refuseInexact = grid_.refuseInexact = dist_.refuseInexact = !s.exact;
    // --height: the same for every record.
    geog_.height = grid_.height = dist_.height1 = dist_.height2 = s.height;
    for (Settings::Extra e : s.with) {
        using X = Settings::Extra;
        geog_.factors = grid_.factors =
            geog_.factors || e == X::Convergence || e == X::Scale || e == X::Combined;
        geog_.gridref = grid_.gridref = geog_.gridref || e == X::Gridref;
        dist_.geodesic = dist_.geodesic || e == X::Geodesic;
    }
    if (s.exact && s.inForce.projection) {
        const geo::ParameterValues& v = s.inForce.projection->values();
        spheroid_.emplace(v.a, v.e2, v.k0);
    }
    eastingMask_ = maskWith("#####0", s.precision);
    degreesMask_ = s.precision >= 0 ? maskWith("0", s.precision) : std::string(kDegrees);
}


bool Converter::Convert(const std::vector<std::string_view>& f, std::string& out,
                        std::string& message) {
    try {
        switch (s_.command) {
        case Command::Geog2Grid: {
            if (s_.decimal || s_.dms) {
                // The window with the numbers in its degree fields and no letters.
                const std::string_view lat = f[s_.lonLat ? 1 : 0], lon = f[s_.lonLat ? 0 : 1];
                geog_.withSeconds = true;
                if (s_.dms) {
                    // Read here, strictly whatever the reading: the window
                    // has no such field.
                    const std::optional<double> a = lat.empty() ? 0.0 : Read_Dms(lat, true);
                    const std::optional<double> b = lon.empty() ? 0.0 : Read_Dms(lon, false);
                    if (!a || !b) {
                        const size_t bad = (!a) == !s_.lonLat ? 0 : 1;
                        message = "field " +
                                  std::to_string((s_.columns.empty() ? bad : s_.columns[bad]) + 1) +
                                  " (" +
                                  layout_.captions[bad] + "): \"" + Cut_For_Message(f[bad]) +
                                  "\" is not an angle";
                        return false;
                    }
                    if (lat.empty())
                        geog_.lat_deg.clear();
                    else
                        exactText(geog_.lat_deg, *a);
                    if (lon.empty())
                        geog_.long_deg.clear();
                    else
                        exactText(geog_.long_deg, *b);
                } else {
                    geog_.lat_deg.assign(lat);
                    geog_.long_deg.assign(lon);
                }
                for (std::string* t : {&geog_.lat_min, &geog_.lat_sec, &geog_.ns, &geog_.long_min,
                                       &geog_.long_sec, &geog_.ew})
                    t->clear();
            } else {
                geog_.withSeconds = !s_.minutes;
                size_t i = takeAngle(f, 0, s_.minutes, geog_.lat_deg, geog_.lat_min,
                                     geog_.lat_sec, geog_.ns, s_.strict);
                takeAngle(f, i, s_.minutes, geog_.long_deg, geog_.long_min, geog_.long_sec,
                          geog_.ew, s_.strict);
            }
            if (s_.recordHeights)
                geog_.height.assign(f[Field_Count(s_)]);
            const convert::GridTexts r = convert::Geog_To_Grid(s_.inForce, geog_);
            if (!r.message.empty()) {
                message = r.message;
                if (r.field == 8)
                    refuseHeight(0, message);
                return false;
            }
            double E = r.easting_value, N = r.northing_value;
            if (s_.exact) {
                const double lat = acceptedAngle(geog_.lat_deg, geog_.lat_min, geog_.lat_sec,
                                                 geog_.ns, geog_.withSeconds, true, geog_.lenient);
                const double lon = acceptedAngle(geog_.long_deg, geog_.long_min, geog_.long_sec,
                                                 geog_.ew, geog_.withSeconds, false, geog_.lenient);
                const std::optional<accuracy::GridXY> g = s_.exact->Forward(lat, lon);
                if (!g || !std::isfinite(g->easting) || !std::isfinite(g->northing)) {
                    message = "the exact projection gives no finite result here";
                    return false;
                }
                E = g->easting;
                N = g->northing;
            }
            // The window's masks are "#####0.000" and "######0.000": the same digits.
            const bool own = s_.precision >= 0 || s_.exact;
            if (own) {
                const std::string& mask = s_.precision >= 0 ? eastingMask_ : windowMask_;
                eastingText_ = numtext::Format_Mask(E, mask);
                northingText_ = numtext::Format_Mask(N, mask);
            }
            const std::string& e = own ? eastingText_ : r.easting;
            const std::string& n = own ? northingText_ : r.northing;
            appendResult(out, e, s_);
            appendResult(out, n, s_);
            if (s_.layer) {
                x_ = numtext::Read_Number(e);
                y_ = numtext::Read_Number(n);
            }
            appendPoint(out, s_, r.factors, r.gridref);
            return true;
        }
        case Command::Grid2Geog: {
            grid_.easting.assign(f[0]);
            if (s_.gridrefIn) {
                // A number is no reference; read as one it would be an
                // easting on the northing 0.
                if (numtext::Is_Number(f[0]) || f[0].find_first_not_of(" \t") == std::string_view::npos) {
                    message = gridref::Expected_Form(s_.inForce.grid);
                    return false;
                }
                grid_.northing.clear();
            } else {
                grid_.northing.assign(f[1]);
            }
            if (s_.recordHeights)
                grid_.height.assign(f[Field_Count(s_)]);
            convert::GeogTexts r = convert::Grid_To_Geog(s_.inForce, grid_);
            if (!r.message.empty()) {
                message = r.message;
                if (r.field == 2)
                    refuseHeight(0, message);
                return false;
            }
            if (s_.exact && !exactGrid(r, message))
                return false;
            if (s_.layer) {
                x_ = numtext::Read_Number(numtext::Format_Mask(r.longitude, degreesMask_));
                y_ = numtext::Read_Number(numtext::Format_Mask(r.latitude, degreesMask_));
            }
            if (s_.decimal || s_.dms) {
                std::string lat, lon;
                if (s_.dms) {
                    lat = Dms_Text(r.latitude, true);
                    lon = Dms_Text(r.longitude, false);
                } else {
                    lat = numtext::Format_Mask(r.latitude, degreesMask_);
                    lon = numtext::Format_Mask(r.longitude, degreesMask_);
                }
                if (s_.lonLat)
                    std::swap(lat, lon);
                appendResult(out, lat, s_);
                appendResult(out, lon, s_);
            } else {
                const numtext::LayoutTexts t = s_.layoutMinutes
                                                   ? numtext::Layout_Minutes(r.result)
                                                   : numtext::Layout_Seconds(r.result);
                appendResult(out, t.lat, s_);
                appendResult(out, t.lon, s_);
            }
            appendPoint(out, s_, r.factors, r.gridref);
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
                                  dist_.geog[k + 2], dist_.geog[k + 3], s_.strict);
            }
            if (s_.recordHeights) {
                dist_.height1.assign(f[Field_Count(s_)]);
                dist_.height2.assign(f[Field_Count(s_) + 1]);
            }
            const convert::DistanceTexts r = convert::Point_Distance(s_.inForce, dist_);
            if (!r.message.empty()) {
                message = r.message;
                if (r.field == 20 || r.field == 21)
                    refuseHeight(r.field - 20, message);
                return false;
            }
            appendResult(out, r.kms, s_);
            appendResult(out, r.miles, s_);
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
            // Two points in one place make no triangle; the formulas would
            // give that place back as the third point.
            if (numtext::Read_Number(f[0]) == numtext::Read_Number(f[2]) &&
                numtext::Read_Number(f[1]) == numtext::Read_Number(f[3])) {
                message = intersect::kDataDoesNotCompute;
                return false;
            }
            const intersect::IntersectionResult r = s_.command == Command::Angles
                                                        ? intersect::Solve_From_Angles(plane_)
                                                        : intersect::Solve_From_Bearings(plane_);
            if (!r.ok()) {
                message = r.message;
                return false;
            }
            appendResult(out, r.E3, s_);
            appendResult(out, r.N3, s_);
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

// The series' result replaced by the exact inverse of the same grid
// position, and the quantities taken there.
bool Converter::exactGrid(convert::GeogTexts& r, std::string& message) {
    double E = 0, N = 0;
    if (!r.gridrefRead.empty()) {
        const gridref::ReadResult g = gridref::Read(s_.inForce.grid, grid_.easting);
        E = g.reading->easting;
        N = g.reading->northing;
    } else {
        E = numtext::Read_Number(grid_.easting);
        N = numtext::Read_Number(grid_.northing);
    }
    const std::optional<accuracy::LatLon> p = s_.exact->Inverse(E, N);
    if (!p || !std::isfinite(p->lat) || !std::isfinite(p->lon)) {
        message = "the exact projection gives no finite result here";
        return false;
    }
    // Within 180 degrees of Greenwich, as the series' longitudes are.
    double lon = std::remainder(p->lon, 360.0);
    if (lon == -180)
        lon = 180;
    r.latitude = p->lat;
    r.longitude = lon;
    const geo::Dms la = geo::Degrees_To_Dms(p->lat);
    const geo::Dms lo = geo::Degrees_To_Dms(lon);
    r.result = {la.deg, la.min_decimal, la.sec, la.negative ? "S" : "N",
                lo.deg, lo.min_decimal, lo.sec, lo.negative ? "W" : "E"};
    const geo::ParameterValues& v = s_.inForce.projection->values();
    const std::optional<double> h = acceptedHeight(grid_.height);
    if (grid_.factors || h) {
        const survey::PointFactors k = spheroid_->At(v.lon0, p->lat, lon);
        r.factors.convergence = k.convergence;
        r.factors.scale = k.scale;
    }
    if (h) {
        r.factors.elevation = survey::Elevation_Factor(v.a, v.e2, p->lat, *h);
        r.factors.combined = r.factors.scale && r.factors.elevation
                                 ? survey::Combined_Scale_Factor(*r.factors.scale,
                                                                 *r.factors.elevation)
                                 : std::nullopt;
    }
    return true;
}

// A height refused by the conversion, named by its column.
void Converter::refuseHeight(int which, std::string& message) const {
    const size_t i = layout_.kinds.size() - (s_.command == Command::Distance ? 2 : 1) + size_t(which);
    if (!s_.recordHeights) {
        message = "--height: " + message;
        return;
    }
    const std::string& text = s_.command == Command::Distance
                                  ? (which == 0 ? dist_.height1 : dist_.height2)
                                  : s_.command == Command::Geog2Grid ? geog_.height : grid_.height;
    const std::string field =
        "field " + std::to_string((s_.columns.empty() ? i : s_.columns[i]) + 1) + " (" +
        layout_.captions[i] + ")";
    const std::optional<double> h = numtext::To_Number(text);
    if (!h) {
        message = field + ": \"" + Cut_For_Message(text) + "\" is not a number";
        return;
    }
    message = survey::Height_Refusal(*h, field).value_or(field + ": " + message);
}

} // namespace batch

namespace batch {

namespace {

bool parseColumn(const std::string& text, size_t& out) {
    if (text.empty() || text.size() > 6 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    out = std::stoul(text);
    return out >= 1;
}

} // namespace

bool Parse_Fields(Settings& s, const std::string& text, std::string& error) {
    // The heights are optional; the others must all be named.
    s.recordHeights = false;
    const size_t required = Layout_Of(s).keys.size();
    s.recordHeights = true;
    const FieldLayout l = Layout_Of(s);
    s.columns.assign(l.keys.size(), size_t(-1));
    s.columnNames.clear();
    std::vector<bool> named(l.keys.size(), false);
    std::vector<std::string_view> parts;
    std::string unquoted;
    if (!Split_Record(text, parts, unquoted, error)) {
        error = "--fields: " + error;
        return false;
    }
    for (std::string_view part : parts) {
        const size_t eq = part.find('=');
        const std::string key(part.substr(0, eq));
        const auto it = std::find(l.keys.begin(), l.keys.end(), key);
        if (eq == std::string_view::npos || it == l.keys.end()) {
            std::string keys;
            for (const std::string& k : l.keys)
                keys += (keys.empty() ? "" : ",") + k;
            error = "--fields: \"" + Cut_For_Message(part) + "\" is not FIELD=COLUMN with FIELD one of " + keys;
            return false;
        }
        const size_t i = size_t(it - l.keys.begin());
        if (named[i]) {
            error = "--fields names " + key + " twice";
            return false;
        }
        named[i] = true;
        const std::string column(part.substr(eq + 1));
        size_t number = 0;
        if (parseColumn(column, number)) {
            s.columns[i] = number - 1;
        } else if (!s.header) {
            error = "--fields: " + key + "=" + Cut_For_Message(column) +
                    ": a column is a number from 1, or a header name with --header";
            return false;
        } else if (column.empty()) {
            error = "--fields: " + key + " has no column";
            return false;
        } else {
            s.columnNames.emplace_back(i, column);
        }
    }
    for (size_t i = 0; i < required; ++i)
        if (!named[i]) {
            error = "--fields does not name " + l.keys[i];
            return false;
        }
    const size_t heights = size_t(std::count(named.begin() + long(required), named.end(), true));
    if (heights == 0) {
        s.recordHeights = false;
        s.columns.resize(required);
    } else if (heights != l.keys.size() - required) {
        error = "--fields names h1 and h2 together";
        return false;
    }
    return true;
}

bool Resolve_Columns(Settings& s, const std::vector<std::string_view>& header,
                     std::string& error) {
    auto lower = [](std::string_view t) {
        std::string l(t);
        for (char& c : l)
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        return l;
    };
    for (const auto& [field, name] : s.columnNames) {
        // clang 14 cannot capture a structured binding in a lambda.
        const std::string wanted = lower(name);
        const auto it = std::find_if(header.begin(), header.end(), [&](std::string_view h) {
            return lower(trimBlanks(h)) == wanted;
        });
        if (it == header.end()) {
            error = "--fields: the header has no column named \"" + Cut_For_Message(name) + "\"";
            return false;
        }
        s.columns[field] = size_t(it - header.begin());
    }
    s.columnNames.clear();
    for (size_t i = 0; i < s.columns.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (s.columns[i] == s.columns[j]) {
                error = "--fields names column " + std::to_string(s.columns[i] + 1) + " twice";
                return false;
            }
    return true;
}

std::optional<double> Read_Dms(std::string_view text, bool latitude) {
    text = trimBlanks(text);
    if (text.empty())
        return std::nullopt;
    // Blanks between the numbers become the reader's ":" ("52 39 27.2 N"
    // is 52:39:27.2N); next to a symbol or a letter they are dropped.
    std::string t;
    t.reserve(text.size());
    bool sign = false, letter = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t') {
            const char before = t.empty() ? ' ' : t.back();
            size_t j = i;
            while (j < text.size() && (text[j] == ' ' || text[j] == '\t'))
                ++j;
            const char after = text[j];
            auto numeric = [](char x) { return (x >= '0' && x <= '9') || x == '.'; };
            if (numeric(before) && numeric(after))
                t += ':';
            i = j - 1;
            continue;
        }
        if (c == '+' || c == '-')
            sign = true;
        const char u = char(c & ~0x20);
        if (u == 'N' || u == 'S' || u == 'E' || u == 'W')
            letter = true;
        t += c;
    }
    if (sign && letter)
        return std::nullopt;
    try {
        GeographicLib::DMS::flag ind = GeographicLib::DMS::NONE;
        const double v = GeographicLib::DMS::Decode(t, ind);
        if (ind == GeographicLib::DMS::AZIMUTH ||
            (ind == GeographicLib::DMS::LATITUDE && !latitude) ||
            (ind == GeographicLib::DMS::LONGITUDE && latitude))
            return std::nullopt;
        if (!std::isfinite(v) || std::fabs(v) > (latitude ? 90 : 180))
            return std::nullopt;
        return v;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string Dms_Text(double degrees, bool latitude) {
    std::string t = GeographicLib::DMS::Encode(
        degrees, GeographicLib::DMS::SECOND, 4,
        latitude ? GeographicLib::DMS::LATITUDE : GeographicLib::DMS::LONGITUDE, 0);
    const size_t d = t.find('d');
    if (d != std::string::npos)
        t.replace(d, 1, "\u00B0");
    return t;
}

} // namespace batch
