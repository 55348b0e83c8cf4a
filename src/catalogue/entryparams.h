// What selecting a catalogue entry does to the parameter set in force: the
// rules of the Spheroid tab's list, free of any widget so the window and the
// command-line tool read an entry the same way.
#pragma once

#include "degreetext.h"
#include "geodesy.h"
#include "store.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace catalogue {

struct Selection {
    // `current` with whatever the entry sets; a value the entry cannot give
    // is left as it was.
    geo::ProjectionParams params;
    // The Spheroid tab's central-meridian and latitude-of-origin texts after
    // the entry is shown (upper case). cm_text is empty when the entry has no
    // central meridian: the user must enter one before converting.
    QString cm_text;
    QString cm_letter; // set only when the meridian was read
    QString orig_text;
    // One line per value that could not be read; empty for a usable entry.
    QStringList problems;
    // Whether the meridian was among them: the user can mend that one by
    // typing a meridian; the others only by correcting the entry.
    bool meridian_unread = false;
};

// The Spheroid tab's meridian rule on the field's text (upper case), applied
// only to texts of two characters or more; nullopt when it does not read.
std::optional<numtext::DegreeText> Read_Meridian(const QString& text);

// Reads an entry as the Spheroid tab does when it is selected.
Selection Select_Entry(const EntryTexts& entry, const geo::ProjectionParams& current = {});

inline const QString kMeridianFormat =
    QStringLiteral("The central meridian must be whole degrees followed by E or W, e.g. 3 W.");
inline const QString kOriginFormat = QStringLiteral(
    "The latitude of origin must be whole degrees followed by N or S, e.g. 49 N.");
inline const QString kNotUsable =
    QStringLiteral("This entry cannot be used for conversions until it is corrected:\n");
inline const QString kEnterMeridian =
    QStringLiteral("You must now enter the Central Meridian. e.g. 3 W");

} // namespace catalogue
