// The central-meridian and latitude-of-origin rules and the working tabs'
// conversions on any field texts.
//
// Input: lines of text, one field each (missing lines are empty):
//   0      options: first byte bit 0 "Deg, Minutes" entry
//   1..8   catalogue entry: name, sma, e2, k0, FE, FN, Lat, meridian
//   9..16  position: lat deg, min, sec, N/S, long deg, min, sec, E/W
//   17,18  easting, northing
//   19..22 distance tab grid fields E1, N1, E2, N2
// Whatever comes in, a result is either a message or numbers: never "inf" or
// "nan" in a text.
#include "conversions.h"
#include "parameterset.h"
#include "paramtext.h"
#include "numtext.h"
#include "plaindecimal.h"

#include <QString>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> fields;

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: \"%s\"\n", what, detail.c_str());
    for (std::size_t i = 0; i < fields.size(); ++i)
        std::fprintf(stderr, "  field %zu: \"%s\"\n", i, fields[i].c_str());
    std::abort();
}

const std::string& field(std::size_t i) {
    static const std::string empty;
    return i < fields.size() ? fields[i] : empty;
}

QString qfield(std::size_t i) {
    return QString::fromStdString(field(i));
}

void noInfNan(const char* what, const std::string& text) {
    for (const char* bad : {"inf", "nan", "INF", "NAN"})
        if (text.find(bad) != std::string::npos)
            fail(what, text);
}

void number(const char* what, const std::string& text) {
    if (!plainDecimal(text))
        fail(what, text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fields.clear();
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0;;) {
        const auto nl = in.find('\n', start);
        fields.emplace_back(in.substr(start, nl == std::string_view::npos ? nl : nl - start));
        if (nl == std::string_view::npos)
            break;
        start = nl + 1;
    }
    const unsigned options = field(0).empty() ? 0u : static_cast<unsigned char>(field(0)[0]);
    const bool minutes = options & 1;

    const catalogue::EntryTexts entry{qfield(1), qfield(2), qfield(3), qfield(4),
                                      qfield(5), qfield(6), qfield(7), qfield(8)};

    // The meridian rule: a meridian that reads is rewritten in a form that
    // reads back to the same value.
    const auto m = numtext::Read_Meridian(field(8));
    if (m && std::fabs(*m) <= numtext::kMaxMeridian) {
        const std::string shown = numtext::Meridian_Text(*m);
        const auto again = numtext::Read_Meridian(shown);
        if (!again || *again != *m)
            fail("meridian does not read back as rewritten", shown);
    }

    const numtext::ParameterReading reading = catalogue::Read_Entry(entry, {false, false});
    for (const auto& problem : reading.problems)
        noInfNan("problem text", problem.message);
    convert::InForce pf;
    if (reading.values) {
        const numtext::ParameterNumbers& n = *reading.values;
        if (!(n.a > 0 && n.e2 >= 0 && n.e2 < 1 && n.k0 > 0 && std::fabs(n.lat0) <= 90 &&
              std::fabs(n.lon0) <= 180 && std::isfinite(n.fe) && std::isfinite(n.fn)))
            fail("values outside the physical ranges were accepted", field(2));
        pf = convert::Make_In_Force({n.a, n.e2, n.k0, n.fe, n.fn, n.lat0, n.lon0});
    } else if (!reading.meridianEmpty) {
        pf.status = convert::Status::Unusable;
        pf.problem = reading.problems.front().message;
    }

    convert::GeogInput g;
    g.lat_deg = field(9);
    g.lat_min = field(10);
    g.lat_sec = field(11);
    g.ns = field(12);
    g.long_deg = field(13);
    g.long_min = field(14);
    g.long_sec = field(15);
    g.ew = field(16);
    g.withSeconds = !minutes;
    const convert::GridTexts grid = convert::Geog_To_Grid(pf, g);
    if (grid.ok()) {
        number("easting", grid.easting);
        number("northing", grid.northing);
    } else if (!grid.easting.empty() || !grid.northing.empty()) {
        fail("Geog_To_Grid gave numbers with a message", grid.message);
    }

    const convert::GridInput gi{field(17), field(18)};
    const convert::GeogTexts geog = convert::Grid_To_Geog(pf, gi);
    if (geog.ok()) {
        const numtext::GeographicResult& r = geog.result;
        for (double v : {r.lat_deg, r.lat_min, r.lat_sec, r.long_deg, r.long_min, r.long_sec})
            if (!std::isfinite(v))
                fail("Grid_To_Geog result not finite", std::to_string(v));
        if ((r.lat_hemis != "N" && r.lat_hemis != "S") ||
            (r.long_hemis != "E" && r.long_hemis != "W"))
            fail("Grid_To_Geog hemisphere", r.lat_hemis + r.long_hemis);
        for (const numtext::LayoutTexts& t :
             {numtext::Layout_Minutes(r), numtext::Layout_Seconds(r)}) {
            noInfNan("latitude text", t.lat);
            noInfNan("longitude text", t.lon);
            // Nothing the program writes holds 60 seconds or 60 minutes.
            if (t.lat.find(" 60.000 Sec") != std::string::npos ||
                t.lat.find(" 60. Min") != std::string::npos)
                fail("sixty in a layout", t.lat);
        }
    } else if (geog.field >= 3 ||
               (geog.field >= 0 && geog.status != convert::Status::NotNumeric &&
                geog.status != convert::Status::BadReference &&
                geog.status != convert::Status::OutOfRange)) {
        fail("field to focus that the entry did not refuse", geog.message);
    }

    convert::DistanceInput d;
    d.withSeconds = !minutes;
    // Two positions from the one typed, the second with its degrees swapped.
    d.geog = {g.lat_deg,  g.lat_min,  g.lat_sec,  g.ns, g.long_deg, g.long_min, g.long_sec, g.ew,
              g.long_deg, g.long_min, g.long_sec, g.ns, g.lat_deg,  g.lat_min,  g.lat_sec,  g.ew};
    d.grid = {field(19), field(20), field(21), field(22)};
    const convert::DistanceTexts dist = convert::Point_Distance(pf, d);
    if (dist.ok()) {
        number("kms", dist.kms);
        number("miles", dist.miles);
    }
    d.geog[0].clear();
    const convert::DistanceTexts gridDist = convert::Point_Distance(pf, d);
    if (gridDist.ok()) {
        number("grid kms", gridDist.kms);
        number("grid miles", gridDist.miles);
    }
    return 0;
}
