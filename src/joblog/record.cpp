#include "record.h"

namespace joblog {

const QStringList& Captions() {
    static const QStringList captions{
        QStringLiteral("Time"),
        QStringLiteral("Calculation"),
        QStringLiteral("Parameter set"),
        QStringLiteral("Semi Major Axis"),
        QStringLiteral("Eccentricity ^2"),
        QStringLiteral("Scale Factor"),
        QStringLiteral("False Easting"),
        QStringLiteral("False Northing"),
        QStringLiteral("Latitude of Origin"),
        QStringLiteral("Central Meridian"),
        QStringLiteral("Degrees as"),
        QStringLiteral("Lat 1 deg"),
        QStringLiteral("Lat 1 min"),
        QStringLiteral("Lat 1 sec"),
        QStringLiteral("Lat 1 N/S"),
        QStringLiteral("Long 1 deg"),
        QStringLiteral("Long 1 min"),
        QStringLiteral("Long 1 sec"),
        QStringLiteral("Long 1 E/W"),
        QStringLiteral("Lat 2 deg"),
        QStringLiteral("Lat 2 min"),
        QStringLiteral("Lat 2 sec"),
        QStringLiteral("Lat 2 N/S"),
        QStringLiteral("Long 2 deg"),
        QStringLiteral("Long 2 min"),
        QStringLiteral("Long 2 sec"),
        QStringLiteral("Long 2 E/W"),
        QStringLiteral("Easting 1"),
        QStringLiteral("Northing 1"),
        QStringLiteral("Easting 2"),
        QStringLiteral("Northing 2"),
        QStringLiteral("Angle a"),
        QStringLiteral("Angle b"),
        QStringLiteral("Ellipsoidal height (m)"),
        QStringLiteral("Height 1 (m)"),
        QStringLiteral("Height 2 (m)"),
        QStringLiteral("Easting"),
        QStringLiteral("Northing"),
        QStringLiteral("Latitude"),
        QStringLiteral("Longitude"),
        QStringLiteral("Distance (kms)"),
        QStringLiteral("Distance (n. miles)"),
        QStringLiteral("Grid convergence"),
        QStringLiteral("Point scale factor"),
        QStringLiteral("Elevation factor"),
        QStringLiteral("Combined scale factor"),
        QStringLiteral("Grid reference"),
        QStringLiteral("Ellipsoidal distance (m)"),
        QStringLiteral("Grid distance (m)"),
        QStringLiteral("Line scale factor"),
        QStringLiteral("Azimuth 1→2"),
        QStringLiteral("Azimuth at 2"),
        QStringLiteral("Grid bearing 1→2"),
        QStringLiteral("Ground distance (m)"),
        QStringLiteral("Combined line factor"),
        QStringLiteral("Accuracy warning"),
    };
    static_assert(kColumnCount == 56);
    Q_ASSERT(captions.size() == kColumnCount);
    return captions;
}

QString TimeText(const QDateTime& when) {
    // Always an explicit offset: Qt writes "Z" for a zero one, which reads
    // as UTC rather than as the local clock of someone in London.
    const int offset = when.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QLatin1Char(offset < 0 ? '-' : '+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

Record Record::Now(const QString& calculation) {
    Record r;
    r[Column::Time] = TimeText(QDateTime::currentDateTime());
    r[Column::Calculation] = calculation;
    return r;
}

void Record::setParameters(const QString& name, const std::array<QString, 7>& values) {
    (*this)[Column::ParameterSet] = name;
    for (std::size_t i = 0; i < values.size(); ++i)
        fields[std::size_t(Column::SemiMajorAxis) + i] = values[i];
}

std::array<QString, 7> Record::parameters() const {
    std::array<QString, 7> values;
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = fields[std::size_t(Column::SemiMajorAxis) + i];
    return values;
}

} // namespace joblog
