#include "records.h"

#include "csv.h"
#include "numtext.h"

#include <exception>

namespace batch {

size_t Field_Count(const Settings& s) {
    switch (s.command) {
    case Command::Geog2Grid:
        return s.minutes ? 6 : 8;
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

Converter::Converter(const Settings& s) : s_(s) {
    sph_.cm_text = s.cm_text;
    sph_.orig_text = s.orig_text;
}

namespace {

void appendResult(std::string& out, std::string_view text) {
    out.push_back(',');
    Append_Field(out, text);
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

} // namespace

bool Converter::Convert(const std::vector<std::string_view>& f, std::string& out,
                        std::string& message) {
    try {
        switch (s_.command) {
        case Command::Geog2Grid: {
            geog_.withSeconds = !s_.minutes;
            size_t i = takeAngle(f, 0, s_.minutes, geog_.lat_deg, geog_.lat_min, geog_.lat_sec,
                                 geog_.ns);
            takeAngle(f, i, s_.minutes, geog_.long_deg, geog_.long_min, geog_.long_sec, geog_.ew);
            const convert::GridTexts r = convert::Geog_To_Grid(s_.params, sph_, geog_);
            if (!r.message.empty()) {
                message = r.message;
                return false;
            }
            appendResult(out, r.easting);
            appendResult(out, r.northing);
            return true;
        }
        case Command::Grid2Geog: {
            grid_.easting.assign(f[0]);
            grid_.northing.assign(f[1]);
            const convert::GeogTexts r = convert::Grid_To_Geog(s_.params, sph_, grid_);
            if (!r.message.empty()) {
                message = r.message;
                return false;
            }
            const numtext::LayoutTexts t = s_.layoutMinutes ? numtext::Layout_Minutes(r.result)
                                                            : numtext::Layout_Seconds(r.result);
            appendResult(out, t.lat);
            appendResult(out, t.lon);
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
            const convert::DistanceTexts r = convert::Point_Distance(s_.params, sph_, dist_);
            if (!r.message.empty()) {
                message = r.message;
                return false;
            }
            appendResult(out, r.kms);
            appendResult(out, r.miles);
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
            if (r.status != intersect::IntersectionResult::Status::Ok) {
                message = intersect::Status_Message(r.status);
                return false;
            }
            appendResult(out, r.E3);
            appendResult(out, r.N3);
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
