#include "intersection.h"

#include "geodesy.h"
#include "numtext.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace intersect {
namespace {

// Any run-time failure inside a calculation: they all end the same way.
struct Trap {};

// Every intermediate is checked as it is formed, so a calculation stops at
// the operation that overflowed, just as the windows' error trap does.
double C(double x) {
    if (!std::isfinite(x))
        throw Trap{};
    return x;
}

double Div(double numerator, double denominator) {
    if (denominator == 0)
        throw Trap{};
    return C(numerator / denominator);
}

double Strict(const std::string& text) {
    const auto value = numtext::To_Number(text);
    if (!value)
        throw Trap{};
    return *value;
}

double Tan_Deg(double deg) {
    return C(std::tan(deg / geo::DEG_PER_RAD));
}
// A tangent of exactly 0 (an angle of 0) is a division by zero here.
double Cot_Deg(double deg) {
    return Div(1.0, Tan_Deg(deg));
}

std::string Shown(double x) {
    return numtext::Format_Mask(x, "##.000");
}

// The base line is judged by its length as the program would show it in
// kilometres with two decimals: 9.994 km passes, 9.995 km shows as 10.00.
bool Base_Line_Too_Long(double E1, double N1, double E2, double N2) {
    const double dN = C(N1 - N2);
    const double dE = C(E1 - E2);
    const double d = C(std::sqrt(C(C(std::pow(dN, 2)) + C(std::pow(dE, 2)))));
    const std::string km = numtext::Format_Mask(d / 1000, "#.00");
    return numtext::Read_Number(km) >= 10;
}

// Whether (E, N) lies behind the point (E0, N0) as seen along the grid
// bearing `bearing` (degrees, clockwise from north). A point at the start of
// the ray, or off it by rounding, is not behind: the tolerance is a
// millionth of a millimetre per metre of the larger coordinate.
bool Behind(double E0, double N0, double bearing, double E, double N) {
    const double rad = bearing / geo::DEG_PER_RAD;
    const double along = C(C((E - E0) * std::sin(rad)) + C((N - N0) * std::cos(rad)));
    const double scale = std::max({std::fabs(E0), std::fabs(N0), std::fabs(E), std::fabs(N), 1.0});
    return along < -1e-9 * scale;
}

struct Fields {
    double E1, N1, E2, N2;
};

// Read in the order the formula of E3 names them.
Fields Read_Points(const IntersectionInput& in) {
    Fields f{};
    f.E1 = Strict(in.E1);
    f.E2 = Strict(in.E2);
    f.N1 = Strict(in.N1);
    f.N2 = Strict(in.N2);
    return f;
}

// A bearing outside 0 to 360 inclusive, refused for its field.
struct OutOfRange {
    int field;
    const char* caption;
};

template <class Steps> IntersectionResult Trapped(Steps&& steps) {
    IntersectionResult r;
    try {
        steps(r);
    } catch (const Trap&) {
        r.status = IntersectionResult::Status::DoesNotCompute;
    } catch (const OutOfRange& e) {
        r.status = IntersectionResult::Status::OutOfRange;
        r.field = e.field;
        r.message = std::string(e.caption) + " must be a bearing from 0 to 360 degrees.";
        return r;
    } catch (const std::exception&) {
        r.status = IntersectionResult::Status::DoesNotCompute;
    }
    r.message = std::string(Status_Message(r.status));
    return r;
}

// A grid bearing as the rays use it: 0 and 360 are the same direction, and
// 360 is the one the formulas can take (its cotangent is finite only
// because 360 / DEG_PER_RAD is not exactly 2 pi).
double Bearing(double deg, int field, const char* caption) {
    if (!(deg >= 0 && deg <= 360))
        throw OutOfRange{field, caption};
    return deg == 0 ? 360 : deg;
}

} // namespace

std::string_view Status_Message(IntersectionResult::Status status) {
    switch (status) {
    case IntersectionResult::Status::DoesNotCompute:
        return kDataDoesNotCompute;
    case IntersectionResult::Status::TooFar:
        return kNotSuitableForDistance;
    default:
        break;
    }
    return {};
}

IntersectionResult Solve_From_Angles(const IntersectionInput& in) {
    return Trapped([&](IntersectionResult& r) {
        const double a = Strict(in.a);
        const double b = Strict(in.b);
        const double cot_a = Cot_Deg(a);
        const double cot_b = Cot_Deg(b);
        const Fields p = Read_Points(in);
        const double denominator = C(cot_a + cot_b);

        // Left to right as written: E1 cot b + E2 cot a + N1 - N2.
        const double e_num = C(C(C(C(p.E1 * cot_b) + C(p.E2 * cot_a)) + p.N1) - p.N2);
        r.E3 = Shown(Div(e_num, denominator));

        // N1 cot b + N2 cot a - E1 + E2.
        const double n_num = C(C(C(C(p.N1 * cot_b) + C(p.N2 * cot_a)) - p.E1) + p.E2);
        r.N3 = Shown(Div(n_num, denominator));

        if (Base_Line_Too_Long(p.E1, p.N1, p.E2, p.N2))
            r.status = IntersectionResult::Status::TooFar;
        // Interior angles of a triangle: other values give the mirror image
        // of C, or a point on no triangle at all.
        else if (!(a > 0 && b > 0 && a + b < 180))
            throw Trap{};
    });
}

IntersectionResult Solve_From_Bearings(const IntersectionInput& in) {
    return Trapped([&](IntersectionResult& r) {
        const double a = Bearing(Strict(in.a), 4, "Angle a");
        const double cot_a = Cot_Deg(a);
        const double b = Bearing(Strict(in.b), 5, "Angle b");
        const double cot_b = Cot_Deg(b);
        const Fields p = Read_Points(in);

        // The rays as N = N1 + (E - E1) cot a and N = N2 + (E - E2) cot b.
        const double e_num = C(C(C(C(p.E2 * cot_b) - C(p.E1 * cot_a)) + p.N1) - p.N2);
        const double E3 = Div(e_num, C(cot_b - cot_a));
        r.E3 = Shown(E3);

        // The same rays as E = E1 + (N - N1) tan a; the tangents are formed
        // afresh rather than inverted from the cotangents, which would not
        // give the same last digit.
        const double tan_a = Tan_Deg(a);
        const double tan_b = Tan_Deg(b);
        const double n_num = C(C(C(C(p.N2 * tan_b) - C(p.N1 * tan_a)) + p.E1) - p.E2);
        const double N3 = Div(n_num, C(tan_b - tan_a));
        r.N3 = Shown(N3);

        if (Base_Line_Too_Long(p.E1, p.N1, p.E2, p.N2))
            r.status = IntersectionResult::Status::TooFar;
        // The formulas cross the full lines; C must lie ahead on both rays.
        else if (Behind(p.E1, p.N1, a, E3, N3) || Behind(p.E2, p.N2, b, E3, N3))
            throw Trap{};
    });
}

} // namespace intersect
