// The three printed reports of the conversion window, as lines of column
// stops and texts. No painting here: the lines are laid out in character
// columns so they can be checked without a printer.
#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace reports {

// One item of a report line: a stop at a character column (counted from 1
// at the left margin), or a text printed where the previous item left off.
struct Item {
    int column = 0; // > 0: a column stop; 0: a text
    QString text;

    static Item Tab(int n) { return Item{n, QString()}; }
    static Item Text(const QString& s) { return Item{0, s}; }
    bool isTab() const { return column > 0; }
    bool operator==(const Item&) const = default;
};

using Line = QList<Item>;
using Report = QList<Line>;

// The parameter set as the Spheroid tab's fields show it.
struct SpheroidTexts {
    QString name, major, ecc, scale, fe, fn, orig, cm;
};

inline constexpr int kLabelColumn = 10;
inline constexpr int kValueColumn = 30;
inline constexpr int kRightColumn = 60;

// The latitude or longitude text of the "Geog to Grid" report: the numbers
// read leniently and written as plain number text, then the letter, e.g.
// "51 28 38.012 N"; without seconds "3 12.5 W". Empty numbers print as 0.
QString Position_Text(const QString& deg, const QString& min, const QString& sec,
                      const QString& letter, bool withSeconds);

// Quantities a tab shows beside its results: a caption and the field's text.
// Each prints on a line of its own after the report's lines, in the right
// column, after one empty line. One without a caption is a note (the
// accuracy warning), printed from the label column a sentence per line;
// an empty note prints nothing.
struct Quantity {
    QString caption, text;
};
using Quantities = QList<Quantity>;

Report Geog_To_Grid_Report(const SpheroidTexts& s, const QString& latitude,
                           const QString& longitude, const QString& easting,
                           const QString& northing, const Quantities& more = {});
Report Grid_To_Geog_Report(const SpheroidTexts& s, const QString& easting, const QString& northing,
                           const QString& latitude, const QString& longitude,
                           const Quantities& more = {});
Report Distance_Report(const SpheroidTexts& s, const QString& kilometres, const QString& miles,
                       const Quantities& more = {});

// Where a text of a report lands: the printed line (0 = first) and the
// distance from the left margin in the caller's units.
struct Placement {
    int row = 0;
    double x = 0;
    QString text;
    bool operator==(const Placement&) const = default;
};

// Runs the column rule over a report: column n lies (n - 1) * charWidth from
// the margin; a stop the print position has already passed moves to that
// column of the next line. `width` measures a text in the same units.
// Empty texts are not listed.
QList<Placement> Place_Report(const Report& report, double charWidth,
                              const std::function<double(const QString&)>& width);

} // namespace reports
