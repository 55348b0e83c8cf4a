// quillmar-accuracy-table: how far the program's series lie from the exact
// Transverse Mercator at 3 to 30 degrees from the central meridian, at one
// latitude on one spheroid. Forward: the series' easting and northing minus
// the exact ones. Inverse: the series invert the exact grid position, and the
// exact projection of what they give is compared with it (the check the
// windows make). Output is a Markdown table.
#include "accuracy.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Named {
    const char* name;
    double a, e2;
};
// e2 to 14 decimals, as the catalogue holds it.
constexpr Named kSpheroids[] = {
    {"GRS 80", 6378137, 0.00669438002290},
    {"WGS 84", 6378137, 0.00669437999014},
    {"Airy 1830", 6377563.396, 0.00667054},
    {"Bessel 1841", 6377397.155, 0.00667437223062},
    {"Clarke 1866", 6378206.4, 0.00676865799729},
    {"International 1924", 6378388, 0.00672267002233},
};

int Usage(const char* me) {
    std::fprintf(stderr,
                 "usage: %s [--spheroid NAME] [--lat DEGREES] [--k0 K]\n"
                 "  NAME one of:", me);
    for (const Named& s : kSpheroids)
        std::fprintf(stderr, " \"%s\"", s.name);
    std::fprintf(stderr, "\n  defaults: GRS 80, latitude 40 (north), k0 0.9996\n");
    return 2;
}

// Metres to 0.1 mm, without a sign on what rounds to zero.
std::string Metres(double m) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", std::fabs(m) < 0.00005 ? 0.0 : m);
    return buf;
}

bool Number(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == 0 && std::isfinite(out);
}

} // namespace

int main(int argc, char** argv) {
    const Named* sph = &kSpheroids[0];
    double lat = 40, k0 = 0.9996;
    for (int i = 1; i < argc; ++i) {
        const bool more = i + 1 < argc;
        if (!std::strcmp(argv[i], "--spheroid") && more) {
            sph = nullptr;
            for (const Named& s : kSpheroids)
                if (!std::strcmp(argv[i + 1], s.name))
                    sph = &s;
            if (!sph)
                return Usage(argv[0]);
        } else if (!std::strcmp(argv[i], "--lat") && more) {
            if (!Number(argv[i + 1], lat) || std::fabs(lat) > 89)
                return Usage(argv[0]);
        } else if (!std::strcmp(argv[i], "--k0") && more) {
            if (!Number(argv[i + 1], k0) || !(k0 > 0))
                return Usage(argv[0]);
        } else {
            return Usage(argv[0]);
        }
        ++i;
    }

    const accuracy::TmParams p{sph->a, sph->e2, k0, 500000, 0, 0, 0};
    const accuracy::ExactTm exact(p);
    if (!exact.usable())
        return Usage(argv[0]);
    std::printf("Redfearn's series against the exact Transverse Mercator (GeographicLib),\n"
                "%s (a %.3f m, e2 %.14f), k0 %g, latitude %g\u00b0 %s.\n"
                "Forward: series minus exact, metres. Inverse: grid distance from the\n"
                "typed position to the exact projection of the series' result, metres.\n\n",
                sph->name, sph->a, sph->e2, k0, std::fabs(lat), lat < 0 ? "S" : "N");
    std::printf("| From the meridian | Easting | Northing | Forward, distance | Inverse, distance |\n"
                "|--:|--:|--:|--:|--:|\n");
    for (double dlon : {3.0, 5.0, 8.0, 10.0, 15.0, 20.0, 30.0}) {
        const auto x = exact.Forward(lat, dlon);
        const auto s = accuracy::Series_Forward(p, lat, dlon);
        std::string inv = "refused";
        if (x) {
            const auto g = accuracy::Series_Inverse(p, x->easting, x->northing);
            if (g && !accuracy::Inverse_Impossible(g->lat, g->lon, p.lon0_deg)) {
                const auto back = exact.Forward(g->lat, g->lon);
                if (back)
                    inv = Metres(std::hypot(back->easting - x->easting, back->northing - x->northing));
            }
        }
        if (x && s)
            std::printf("| %g\u00b0 | %s | %s | %s | %s |\n", dlon, Metres(s->easting - x->easting).c_str(),
                        Metres(s->northing - x->northing).c_str(),
                        Metres(std::hypot(s->easting - x->easting, s->northing - x->northing)).c_str(),
                        inv.c_str());
        else
            std::printf("| %g\u00b0 | | | no result | %s |\n", dlon, inv.c_str());
    }
    return 0;
}
