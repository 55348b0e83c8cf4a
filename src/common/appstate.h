// Program-wide state shared by the windows for the whole run. One instance,
// created at start-up and handed to every window; nothing here is saved.
#pragma once

#include "geodesy.h"
#include "numtext.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct AppState {
    // The parameter set in force: set by selecting a catalogue entry and, for
    // the central meridian, by the user typing one.
    geo::ProjectionParams params;

    // Central-meridian entry state of the Spheroid tab; the signed value
    // itself is params.central_meridian.
    QString central_meridian_text;
    QString central_meridian_letter;

    // Why the parameter set in force cannot be used for conversions; the
    // working tabs refuse while either is set. A selection sets both; the
    // central-meridian rule sets and mends only its own.
    QStringList entry_problems; // values of the selected entry that did not read
    QString active_name;        // name of the selected entry in force; empty when none
    QString meridian_problem;   // a central meridian that did not read

    // Key of the entry last selected or saved; Edit and Delete act on it.
    std::optional<qint64> SelectedRef;

    // Components of the last successful grid-to-geographic conversion.
    numtext::GeographicResult result;

    // Settled once at start-up.
    QString InstallFolder;
    QString DatabasePath;

    // Ends the program at once (the catalogue vanished). Tests replace it so
    // they can watch the program give up without losing the test process.
    std::function<void()> terminate;
};
