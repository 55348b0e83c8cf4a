// Messages of the Spheroid tab about the values of an entry; the reading
// itself is numtext::Read_Parameters, shared by every reader.
#pragma once

#include <QString>

namespace catalogue {

inline const QString kMeridianFormat = QStringLiteral(
    "The central meridian must be degrees with E or W (2 W, 113.75 W) or a signed number "
    "(-2, or 15 for 15 E).");
inline const QString kMeridianRange =
    QStringLiteral("The central meridian must lie between 180 W and 180 E.");
inline const QString kNotUsable =
    QStringLiteral("This entry cannot be used for conversions until it is corrected:\n");
inline const QString kEnterMeridian =
    QStringLiteral("You must now enter the Central Meridian. e.g. 3 W");

} // namespace catalogue
