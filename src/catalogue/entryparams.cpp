#include "entryparams.h"

#include "numtext.h"

#include <climits>
#include <iterator>
#include <utility>

namespace catalogue {

std::optional<Meridian> Parse_Meridian(const QString& text) {
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    const QString degrees = blank >= 0 ? text.left(blank) : text.left(text.size() - 1).trimmed();
    auto d = numtext::To_Whole_Number(degrees.toStdString());
    if (!d)
        return std::nullopt;
    return Meridian{*d, text.right(1).toUpper()};
}

std::optional<int16_t> Signed_Meridian(const Meridian& m) {
    // -(-32768) does not fit and is refused.
    const int v = m.letter == QLatin1String("W") ? -int(m.degrees) : int(m.degrees);
    if (v < INT16_MIN || v > INT16_MAX)
        return std::nullopt;
    return int16_t(v);
}

Selection Select_Entry(const EntryTexts& t, const geo::ProjectionParams& current) {
    Selection s;
    s.params = current;
    // The tab's letter fields force upper case as soon as the text is set.
    s.orig_text = t.Lat.toUpper();
    if (!t.meridian.isEmpty()) {
        s.cm_text = t.meridian.toUpper();
        if (s.cm_text.size() >= 2) {
            auto m = Parse_Meridian(s.cm_text);
            auto v = m ? Signed_Meridian(*m) : std::nullopt;
            if (v) {
                s.cm_letter = m->letter;
                s.params.central_meridian = *v;
            } else {
                s.problems << kMeridianFormat;
                s.meridian_unread = true;
            }
        }
        const qsizetype blank = s.orig_text.indexOf(QLatin1Char(' '));
        if (blank >= 0) {
            auto lat = numtext::To_Whole_Number(s.orig_text.left(blank).toStdString());
            const bool south = s.orig_text.endsWith(QLatin1Char('S'));
            if (lat && !(south && *lat == INT16_MIN))
                s.params.origin_lat = south ? int16_t(-*lat) : *lat;
            else
                s.problems << kOriginFormat;
        }
    }
    // Checked in the order the tab shows its messages.
    const std::pair<const QString*, double*> numbers[] = {
        {&t.eccentricity, &s.params.ecc_squared},   {&t.sma, &s.params.major_axis},
        {&t.FN, &s.params.false_northing},          {&t.FE, &s.params.false_easting},
        {&t.Scale, &s.params.scale_factor},
    };
    const char* const labels[] = {"Eccentricity ^2", "Semi Major Axis", "False Northing",
                                  "False Easting", "Scale Factor"};
    for (size_t i = 0; i < std::size(numbers); ++i) {
        auto v = numtext::To_Number(numbers[i].first->toStdString());
        if (v)
            *numbers[i].second = *v;
        else
            s.problems << QStringLiteral("%1 is not a number.").arg(QLatin1String(labels[i]));
    }
    return s;
}

} // namespace catalogue
