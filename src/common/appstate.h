// Program-wide state shared by the windows for the whole run. One instance,
// created at start-up and handed to every window; nothing here is saved.
#pragma once

#include "numtext.h"
#include "parameterset.h"

#include <QString>

#include <functional>

struct AppState {
    // The parameter set in force, as the Spheroid tab shows it. Only the
    // Spheroid tab changes it; everything else reads it.
    catalogue::ParameterSet parameters;

    // Components of the last successful grid-to-geographic conversion.
    numtext::GeographicResult result;

    // Settled once at start-up.
    QString InstallFolder;
    QString DatabasePath;

    // Ends the program at once (the catalogue vanished). Tests replace it so
    // they can watch the program give up without losing the test process.
    std::function<void()> terminate;
};
