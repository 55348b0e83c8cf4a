#include "paramtext.h"

#include "numtext.h"

#include <charconv>
#include <cmath>

namespace numtext {

namespace {

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Degrees and a letter, or a signed number. `positive` and `negative` are
// the two letters in upper case.
std::optional<double> readDegrees(std::string_view text, char positive, char negative) {
    const std::string_view t = trim(text);
    if (t.empty())
        return std::nullopt;
    const char last = static_cast<char>(t.back() & ~0x20); // ASCII upper case
    const bool letter = (t.back() >= 'a' && t.back() <= 'z') || (t.back() >= 'A' && t.back() <= 'Z');
    if (!letter) {
        const auto v = To_Number(t);
        if (!v)
            return std::nullopt;
        return *v == 0 ? 0.0 : *v; // never -0
    }
    if (last != positive && last != negative)
        return std::nullopt;
    const std::string_view number = trim(t.substr(0, t.size() - 1));
    // With a letter the sign is the letter's alone: "-2 W" is ambiguous.
    if (number.empty() || number.front() == '-' || number.front() == '+')
        return std::nullopt;
    for (char c : number)
        if (c == ' ' || c == '\t')
            return std::nullopt; // "1 5 E" is not 15 E nor 1 E
    const auto v = To_Number(number);
    if (!v)
        return std::nullopt;
    return last == negative && *v != 0 ? -*v : *v;
}

const char* const kCaptions[kParamFields] = {
    "Name",          "Semi Major Axis", "Eccentricity ^2",    "Scale Factor",
    "False Easting", "False Northing",  "Latitude of Origin", "Central Meridian"};

} // namespace

std::string_view Field_Caption(ParamField f) { return kCaptions[static_cast<int>(f)]; }

std::optional<double> Read_Meridian(std::string_view text) { return readDegrees(text, 'E', 'W'); }
std::optional<double> Read_Origin(std::string_view text) { return readDegrees(text, 'N', 'S'); }

std::string Shortest_Text(double x) {
    if (x == 0)
        return "0";
    char buf[512];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : Plain_Text(x);
}

std::string Meridian_Text(double degrees) {
    return Shortest_Text(std::fabs(degrees)) + (degrees < 0 ? " W" : " E");
}

ParameterReading Read_Parameters(const ParameterTexts& t, ReadOptions options) {
    ParameterReading r;
    ParameterNumbers v;
    auto problem = [&](ParamField f, const std::string& rule) {
        r.problems.push_back({f, std::string(Field_Caption(f)) + " " + rule});
    };
    if (options.needName && trim(t[ParamField::Name]).empty())
        problem(ParamField::Name, "must not be blank.");

    struct Number {
        ParamField field;
        double* value;
        const char* rule;
        bool (*ok)(double);
    };
    const Number numbers[] = {
        {ParamField::Major, &v.a, "must be a number greater than 0.",
         [](double x) { return x > 0; }},
        {ParamField::Ecc, &v.e2, "must be a number from 0 up to but not including 1.",
         [](double x) { return x >= 0 && x < 1; }},
        {ParamField::Scale, &v.k0, "must be a number greater than 0.",
         [](double x) { return x > 0; }},
        {ParamField::FE, &v.fe, "must be a number.", [](double) { return true; }},
        {ParamField::FN, &v.fn, "must be a number.", [](double) { return true; }},
    };
    for (const Number& n : numbers) {
        const auto x = To_Number(t[n.field]);
        if (x && std::isfinite(*x) && n.ok(*x))
            *n.value = *x;
        else
            problem(n.field, n.rule);
    }

    auto whole = [&](ParamField f, std::string_view message) {
        r.problems.push_back({f, std::string(message)});
    };
    if (const auto lat = Read_Origin(t[ParamField::Origin]); !lat)
        whole(ParamField::Origin, kOriginForm);
    else if (!(std::fabs(*lat) <= kMaxOrigin))
        whole(ParamField::Origin, kOriginRange);
    else
        v.lat0 = *lat;

    r.meridianEmpty = trim(t[ParamField::Meridian]).empty();
    if (r.meridianEmpty) {
        if (!options.meridianOptional)
            problem(ParamField::Meridian, "must be given, e.g. 2 W.");
    } else if (const auto lon = Read_Meridian(t[ParamField::Meridian]); !lon) {
        whole(ParamField::Meridian, kMeridianForm);
    } else if (!(std::fabs(*lon) <= kMaxMeridian)) {
        whole(ParamField::Meridian, kMeridianRange);
    } else {
        v.lon0 = *lon;
    }
    if (r.problems.empty())
        r.values = v;
    return r;
}

} // namespace numtext
