// Program-wide state shared by the windows for the whole run. One instance,
// created at start-up and handed to every window; nothing here is saved.
#pragma once

#include "logfile.h"
#include "numtext.h"
#include "parameterset.h"

#include <QFileInfo>
#include <QString>

#include <functional>
#include <memory>

struct AppState {
    // The parameter set in force, as the Spheroid tab shows it. Only the
    // Spheroid tab changes it; everything else reads it.
    catalogue::ParameterSet parameters;

    // Components of the last successful grid-to-geographic conversion.
    numtext::GeographicResult result;

    // Settled once at start-up.
    QString InstallFolder;
    QString DatabasePath;

    // The job log of the run, beside the catalogue. The shell makes it once
    // the catalogue's path is settled; windows made without a shell (tests)
    // get it on first use. None while there is no catalogue path.
    std::unique_ptr<joblog::JobLog> jobLog;
    joblog::JobLog* log() {
        if (!jobLog && !DatabasePath.isEmpty())
            jobLog = std::make_unique<joblog::JobLog>(QFileInfo(DatabasePath).absolutePath());
        return jobLog.get();
    }

    // Ends the program at once (the catalogue vanished). Tests replace it so
    // they can watch the program give up without losing the test process.
    std::function<void()> terminate;
};
