#include "reports.h"

#include "numtext.h"

namespace reports {

namespace {

QString plain(const QString& field) {
    return QString::fromStdString(numtext::Plain_Text(numtext::Read_Number(field.toStdString())));
}

QStringList Sentences(const QString& text) {
    QStringList out;
    qsizetype start = 0;
    for (qsizetype i = text.indexOf(QStringLiteral(". ")); i >= 0;
         i = text.indexOf(QStringLiteral(". "), i + 2)) {
        out << text.mid(start, i + 1 - start);
        start = i + 2;
    }
    if (start < text.size())
        out << text.mid(start);
    return out;
}

// The eight lines share the parameter set on the left; `right` holds the
// right-hand part of each line, empty where the line has none.
Report build(const SpheroidTexts& s, const QList<QStringList>& right, const Quantities& more) {
    const QString labels[8] = {
        QStringLiteral("Spheroid name"),      QStringLiteral("Semi Major Axis"),
        QStringLiteral("Eccentricity"),       QStringLiteral("Scale Factor"),
        QStringLiteral("False Easting"),      QStringLiteral("False Northing"),
        QStringLiteral("Latitude of Origin"), QStringLiteral("Central Meridian"),
    };
    const QString values[8] = {s.name, s.major, s.ecc, s.scale, s.fe, s.fn, s.orig, s.cm};

    Report report{Line{}, Line{}};
    for (int i = 0; i < 8; ++i) {
        Line line{Item::Tab(kLabelColumn), Item::Text(labels[i]), Item::Tab(kValueColumn),
                  Item::Text(values[i])};
        if (i < right.size() && !right[i].isEmpty()) {
            line << Item::Tab(kRightColumn);
            for (const QString& t : right[i])
                line << Item::Text(t);
        }
        report << line;
    }
    if (!more.isEmpty())
        report << Line{};
    for (const Quantity& q : more) {
        if (q.caption.isEmpty()) {
            // A note (the accuracy warning): one sentence per line from the
            // label column, so a long warning stays on the page.
            for (const QString& sentence : Sentences(q.text))
                report << Line{Item::Tab(kLabelColumn), Item::Text(sentence)};
            continue;
        }
        report << Line{Item::Tab(kRightColumn), Item::Text(q.caption + QStringLiteral("  ")),
                       Item::Text(q.text)};
    }
    return report;
}

} // namespace

QString Position_Text(const QString& deg, const QString& min, const QString& sec,
                      const QString& letter, bool withSeconds) {
    QString text = plain(deg) + QLatin1Char(' ') + plain(min) + QLatin1Char(' ');
    if (withSeconds)
        text += plain(sec) + QLatin1Char(' ');
    return text + letter;
}

Report Geog_To_Grid_Report(const SpheroidTexts& s, const QString& latitude,
                           const QString& longitude, const QString& easting,
                           const QString& northing, const Quantities& more) {
    return build(s, {
                        {QStringLiteral("Latitude  "), latitude},
                        {QStringLiteral("Longitude  "), longitude},
                        {},
                        {QStringLiteral("     Converts to")},
                        {},
                        {QStringLiteral("Easting  "), easting},
                        {QStringLiteral("Northing  "), northing},
                    },
                 more);
}

Report Grid_To_Geog_Report(const SpheroidTexts& s, const QString& easting, const QString& northing,
                           const QString& latitude, const QString& longitude,
                           const Quantities& more) {
    return build(s, {
                        {QStringLiteral("Easting  "), easting},
                        {QStringLiteral("Northing  "), northing},
                        {},
                        {QStringLiteral("     Converts to")},
                        {},
                        {QStringLiteral("Latitude  "), latitude},
                        // One blank only, unlike the other report.
                        {QStringLiteral("Longitude "), longitude},
                    },
                 more);
}

Report Distance_Report(const SpheroidTexts& s, const QString& kilometres, const QString& miles,
                       const Quantities& more) {
    return build(s,
                 {
                     {QStringLiteral("Kilometers  "), kilometres},
                     {QStringLiteral("Miles  "), miles},
                 },
                 more);
}

QList<Placement> Place_Report(const Report& report, double charWidth,
                              const std::function<double(const QString&)>& width) {
    QList<Placement> out;
    // Texts that end exactly on a column must not count as past it.
    const double slack = charWidth * 1e-9;
    int row = 0;
    for (const Line& line : report) {
        double x = 0;
        for (const Item& item : line) {
            if (item.isTab()) {
                const double target = (item.column - 1) * charWidth;
                if (x > target + slack)
                    ++row;
                x = target;
            } else {
                if (!item.text.isEmpty())
                    out << Placement{row, x, item.text};
                x += width(item.text);
            }
        }
        ++row;
    }
    return out;
}

} // namespace reports
