// The central-meridian and latitude-of-origin rules and the working tabs'
// conversions on any field texts.
//
// Input: lines of text, one field each (missing lines are empty):
//   0      options: first byte bit 0 "Deg, Minutes" entry, bit 1 the tabs get
//          the raw meridian and origin texts instead of the entry's
//   1..8   catalogue entry: name, sma, e2, k0, FE, FN, Lat, meridian
//   9..16  position: lat deg, min, sec, N/S, long deg, min, sec, E/W
//   17,18  easting, northing
//   19..22 distance tab grid fields E1, N1, E2, N2
// A value the entry cannot give stays at the Airy / National Grid value.
// Whatever comes in, a result is either a message or numbers: never "inf" or
// "nan" in a text.
#include "conversions.h"
#include "entryparams.h"
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

geo::ProjectionParams airy() {
    geo::ProjectionParams p;
    p.major_axis = 6377563.396;
    p.ecc_squared = 0.00667054;
    p.scale_factor = 0.9996012717;
    p.false_easting = 400000;
    p.false_northing = -100000;
    p.origin_lat = 49;
    p.central_meridian = -2;
    return p;
}

// Signed degrees and "E" reach every 16-bit meridian; "32768 W" would not.
std::string meridianText(int16_t signedDegrees) {
    return std::to_string(signedDegrees) + " E";
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
    const bool raw = options & 2;

    const catalogue::EntryTexts entry{qfield(1), qfield(2), qfield(3), qfield(4),
                                      qfield(5), qfield(6), qfield(7), qfield(8)};

    // The meridian rule: a read meridian ends in its letter, its sign comes
    // from that letter alone, and with a blank Grid to Geog's reading agrees.
    const QString meridian = entry.meridian.toUpper();
    const auto m = catalogue::Read_Meridian(meridian);
    if (m) {
        if (!meridian.endsWith(QString::fromStdString(m->letter)) || m->letter.empty())
            fail("meridian letter is not the last character", field(8));
        if (m->value != (m->letter == "W" ? -m->degrees : m->degrees))
            fail("meridian sign", field(8));
    }
    if (meridian.contains(QLatin1Char(' '))) {
        const auto g = numtext::Read_Degree_Text(meridian.toStdString(), numtext::kMeridianText);
        if (bool(g) != bool(m) || (g && g->value != m->value))
            fail("Grid to Geog reads the meridian differently", field(8));
    }

    const catalogue::Selection sel = catalogue::Select_Entry(entry, airy());
    if (!entry.meridian.isEmpty() && meridian.size() >= 2) {
        if (bool(m) != !sel.cm_letter.isEmpty())
            fail("Select_Entry and Read_Meridian disagree", field(8));
        if (m && sel.params.central_meridian != m->value)
            fail("Select_Entry meridian differs from Read_Meridian", field(8));
    }
    for (const QString& problem : sel.problems)
        noInfNan("problem text", problem.toStdString());

    const geo::ProjectionParams& p = sel.params;
    const std::string cm = raw ? field(8) : sel.cm_text.toStdString();
    const std::string orig = raw ? field(7) : sel.orig_text.toStdString();

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
    const convert::SpheroidTexts sph{cm, orig, {}};
    const convert::GridTexts grid = convert::Geog_To_Grid(p, sph, g);
    if (grid.message.empty()) {
        number("easting", grid.easting);
        number("northing", grid.northing);
    } else if (!grid.easting.empty() || !grid.northing.empty()) {
        fail("Geog_To_Grid gave numbers with a message", grid.message);
    }

    const convert::GridInput gi{field(17), field(18)};
    const convert::GeogTexts geog = convert::Grid_To_Geog(p, sph, gi);
    if (geog.message.empty()) {
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
        }

        // The tab's meridian rule and the entry's agree where both read the
        // text: the same meridian written plainly gives the same position.
        if (!raw && sel.problems.isEmpty() && !sel.cm_letter.isEmpty()) {
            convert::SpheroidTexts plain = sph;
            plain.cm_text = meridianText(p.central_meridian);
            const convert::GeogTexts again = convert::Grid_To_Geog(p, plain, gi);
            const auto a = numtext::Layout_Seconds(geog.result);
            const auto b = numtext::Layout_Seconds(again.result);
            if (!again.message.empty() || a.lat != b.lat || a.lon != b.lon)
                fail("meridian read differently by the tab", cm + " / " + plain.cm_text);
        }
    } else if (geog.bad != convert::GeogTexts::Bad::None &&
               geog.status != convert::Status::NotNumeric) {
        fail("field to empty without the numeric message", geog.message);
    }

    convert::DistanceInput d;
    d.withSeconds = !minutes;
    // Two positions from the one typed, the second with its degrees swapped.
    d.geog = {g.lat_deg,  g.lat_min,  g.lat_sec,  g.ns, g.long_deg, g.long_min, g.long_sec, g.ew,
              g.long_deg, g.long_min, g.long_sec, g.ns, g.lat_deg,  g.lat_min,  g.lat_sec,  g.ew};
    d.grid = {field(19), field(20), field(21), field(22)};
    const convert::DistanceTexts dist = convert::Point_Distance(p, sph, d);
    if (dist.message.empty()) {
        number("kms", dist.kms);
        number("miles", dist.miles);
    }
    d.geog[0].clear();
    const convert::DistanceTexts gridDist = convert::Point_Distance(p, sph, d);
    if (gridDist.message.empty()) {
        number("grid kms", gridDist.kms);
        number("grid miles", gridDist.miles);
    }
    return 0;
}
