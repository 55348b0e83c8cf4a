// One line of the job log: a finished conversion or triangle, as the user saw
// it. Every kind of calculation shares one fixed set of columns, so the file
// reads straight into a spreadsheet; a column a calculation has no use for
// stays empty.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>

namespace joblog {

// The columns, in file order. The captions (Captions()) are the header line.
//   Time, Calculation, Parameter set and its seven values;
//   Degrees as: the entry (or result) mode, "Deg, Minutes" or "Deg, Min, Sec";
//   the inputs as typed: position 1 (the point of Geog to Grid) and position 2
//     as degree, minute, second and hemisphere fields; Easting/Northing 1 and 2
//     (the point of Grid to Geog, the grid positions of Distance, A and B of a
//     triangle); Angle a and b of a triangle;
//   the results as shown: Easting, Northing (Geog to Grid, point C of a
//     triangle), Latitude, Longitude (Grid to Geog), the two distances;
//   the quantities shown beside them.
enum class Column : int {
    Time,
    Calculation,
    ParameterSet,
    SemiMajorAxis,
    EccentricitySquared,
    ScaleFactor,
    FalseEasting,
    FalseNorthing,
    LatitudeOfOrigin,
    CentralMeridian,
    DegreesAs,
    Lat1Deg,
    Lat1Min,
    Lat1Sec,
    Lat1Hemisphere,
    Long1Deg,
    Long1Min,
    Long1Sec,
    Long1Hemisphere,
    Lat2Deg,
    Lat2Min,
    Lat2Sec,
    Lat2Hemisphere,
    Long2Deg,
    Long2Min,
    Long2Sec,
    Long2Hemisphere,
    Easting1,
    Northing1,
    Easting2,
    Northing2,
    AngleA,
    AngleB,
    EllipsoidalHeight,
    Height1,
    Height2,
    Easting,
    Northing,
    Latitude,
    Longitude,
    DistanceKms,
    DistanceMiles,
    GridConvergence,
    PointScaleFactor,
    ElevationFactor,
    CombinedScaleFactor,
    GridReference,
    EllipsoidalDistance,
    GridDistance,
    LineScaleFactor,
    Azimuth12,
    Azimuth2,
    GridBearing12,
    GroundDistance,
    CombinedLineFactor,
    AccuracyWarning,
    Count
};
inline constexpr int kColumnCount = int(Column::Count);

// The header captions, one per column, in column order.
const QStringList& Captions();
inline QString Caption(Column c) {
    return Captions().at(int(c));
}

// What the Calculation column holds.
inline const QString kGeogToGrid = QStringLiteral("Geog to Grid");
inline const QString kGridToGeog = QStringLiteral("Grid to Geog");
inline const QString kDistance = QStringLiteral("Distance");
inline const QString kAngles = QStringLiteral("Angles");
inline const QString kBearings = QStringLiteral("Bearings");

// The Parameter set column when no catalogue entry is in force.
inline const QString kTypedByHand = QStringLiteral("typed by hand");

// The Degrees as column.
inline const QString kDegMinutes = QStringLiteral("Deg, Minutes");
inline const QString kDegMinSec = QStringLiteral("Deg, Min, Sec");

struct Record {
    std::array<QString, kColumnCount> fields;

    QString& operator[](Column c) { return fields[std::size_t(c)]; }
    const QString& operator[](Column c) const { return fields[std::size_t(c)]; }
    bool operator==(const Record&) const = default;

    // A record of the calculation at the present local time, written with
    // its offset from UTC ("2026-12-08T14:30:12+01:00").
    static Record Now(const QString& calculation);

    // The set's name and its seven values, in the Spheroid tab's order:
    // Semi Major Axis, Eccentricity ^2, Scale Factor, False Easting,
    // False Northing, Latitude of Origin, Central Meridian.
    void setParameters(const QString& name, const std::array<QString, 7>& values);
    std::array<QString, 7> parameters() const;

    QStringList toList() const { return {fields.begin(), fields.end()}; }
};

// The time as the log writes it: local time with its offset.
QString TimeText(const QDateTime& when);

} // namespace joblog
