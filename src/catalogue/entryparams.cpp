#include "entryparams.h"

#include "numtext.h"

#include <climits>
#include <iterator>
#include <utility>

namespace catalogue {

std::optional<numtext::DegreeText> Read_Meridian(const QString& text) {
    if (text.size() < 2)
        return std::nullopt;
    return numtext::Read_Degree_Text(text.toStdString(), numtext::kMeridianRule);
}

Selection Select_Entry(const EntryTexts& t, const geo::ProjectionParams& current) {
    Selection s;
    s.params = current;
    // The tab's letter fields force upper case as soon as the text is set.
    s.orig_text = t.Lat.toUpper();
    if (!t.meridian.isEmpty()) {
        s.cm_text = t.meridian.toUpper();
        if (s.cm_text.size() >= 2) {
            if (const auto m = Read_Meridian(s.cm_text)) {
                s.cm_letter = QString::fromStdString(m->letter);
                s.params.central_meridian = static_cast<int16_t>(m->value);
            } else {
                s.problems << kMeridianFormat;
                s.meridian_unread = true;
            }
        }
        // Without a blank the whole-degree origin is not taken from the entry.
        if (s.orig_text.contains(QLatin1Char(' '))) {
            const auto lat =
                numtext::Read_Degree_Text(s.orig_text.toStdString(), numtext::kOriginSelected);
            if (lat)
                s.params.origin_lat = static_cast<int16_t>(lat->value);
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
