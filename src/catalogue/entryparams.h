// Messages of the Spheroid tab about the values of an entry; the reading
// itself is numtext::Read_Parameters, shared by every reader.
#pragma once

#include "paramtext.h"

#include <QString>

namespace catalogue {

inline const QString kMeridianFormat = QString::fromUtf8(numtext::kMeridianForm);
inline const QString kMeridianRange = QString::fromUtf8(numtext::kMeridianRange);
inline const QString kNotUsable =
    QStringLiteral("This entry cannot be used for conversions until it is corrected:\n");
inline const QString kEnterMeridian =
    QStringLiteral("You must now enter the Central Meridian. e.g. 3 W");

} // namespace catalogue
