// Handlers of the "Geog to Grid", "Grid to Geog" and "Distance" tabs. They
// only move texts between the fields, the conversions and the job log.
#include "conversions.h"
#include "conversionwindow.h"
#include "logfile.h"
#include "messages.h"
#include "parameterset.h"
#include "spheroidtab.h"
#include "store.h"
#include "ui_conversionwindow.h"
#include "widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

#include <initializer_list>
#include <utility>

using joblog::Column;

namespace {

std::string text(const QLineEdit* f) { return f->text().toStdString(); }
QString qs(const std::string& s) { return QString::fromStdString(s); }

// Consecutive columns from `first`, one per field.
void put(joblog::Record& r, Column first, std::initializer_list<const QWidget*> fields) {
    int c = int(first);
    for (const QWidget* f : fields) {
        if (auto* e = qobject_cast<const QLineEdit*>(f))
            r[Column(c)] = e->text();
        else if (auto* l = qobject_cast<const QLabel*>(f))
            r[Column(c)] = l->text();
        ++c;
    }
}

void take(const joblog::Record& r, Column first, std::initializer_list<QLineEdit*> fields) {
    int c = int(first);
    for (QLineEdit* f : fields)
        f->setText(r[Column(c++)]);
}

} // namespace

void ConversionWindow::connectWorkingTabs() {
    connect(ui->cmd_convert, &QPushButton::clicked, this, [this] { cmd_convert_clicked(); });
    connect(ui->Command1, &QPushButton::clicked, this, [this] { Command1_clicked(); });
    connect(ui->cmd_calc, &QPushButton::clicked, this, [this] { cmd_calc_clicked(); });
    // A click on the option already selected changes nothing.
    connect(ui->Option3, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option3_clicked();
    });
    connect(ui->Option4, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option4_clicked();
    });
    // Enter in an entry presses its tab's button.
    const QList<QLineEdit*> geogToGrid{ui->txt_lat_deg,  ui->txt_lat_min,  ui->txt_lat_sec,
                                       ui->txt_ns,       ui->txt_long_deg, ui->txt_long_min,
                                       ui->txt_long_sec, ui->txt_ew,       ui->txt_height_g2g};
    const QList<QLineEdit*> gridToGeog{ui->txt_east, ui->txt_north, ui->txt_height_g2l};
    const QList<QLineEdit*> distance{
        ui->txt_lat_deg1,  ui->txt_lat_min1,  ui->txt_lat_sec1,  ui->txt_lat_hemis1,
        ui->txt_long_deg1, ui->txt_long_min1, ui->txt_long_sec1, ui->txt_long_hemis1,
        ui->txt_lat_deg2,  ui->txt_lat_min2,  ui->txt_lat_sec2,  ui->txt_lat_hemis2,
        ui->txt_long_deg2, ui->txt_long_min2, ui->txt_long_sec2, ui->txt_long_hemis2,
        ui->txt_east1,     ui->txt_north1,    ui->txt_east2,     ui->txt_north2,
        ui->txt_height1,   ui->txt_height2};
    common::PressOnEnter(geogToGrid, ui->cmd_convert);
    common::PressOnEnter(gridToGeog, ui->Command1);
    common::PressOnEnter(distance, ui->cmd_calc);
    // A result belongs to the entries it was computed from: once the user
    // edits one (the program's own writes do not count), the result goes, so
    // a printed report never pairs one entry with another's result; nor are
    // they then a log record's entries any more.
    auto forget = [this](Recalled tab) {
        if (recalled_[tab]) {
            recalled_[tab].reset();
            showParameterSet();
        }
    };
    for (QLineEdit* f : geogToGrid)
        connect(f, &QLineEdit::textEdited, this, [this, forget] {
            ui->txt_easting->clear();
            ui->txt_northing->clear();
            clearFactors(Factors::GeogToGrid);
            forget(kRecalledGeogToGrid);
        });
    for (QLineEdit* f : gridToGeog)
        connect(f, &QLineEdit::textEdited, this, [this, forget] {
            ui->txt_lat->clear();
            ui->txt_long->clear();
            clearFactors(Factors::GridToGeog);
            state_.result = {};
            forget(kRecalledGridToGeog);
        });
    for (QLineEdit* f : distance)
        connect(f, &QLineEdit::textEdited, this, [this, forget] {
            ui->lbl_kms->setText(QStringLiteral("#"));
            ui->lbl_miles->setText(QStringLiteral("#"));
            clearFactors(Factors::Distance);
            forget(kRecalledDistance);
        });

    // Every result and quantity copies from its context menu; Ctrl+Shift+C
    // copies the shown tab's results under their captions.
    const common::CaptionedFields geogToGridResults{
        {QStringLiteral("Easting"), ui->txt_easting},
        {QStringLiteral("Northing"), ui->txt_northing},
        {QStringLiteral("Grid convergence"), ui->txt_convergence_g2g},
        {QStringLiteral("Point scale factor"), ui->txt_scale_g2g},
        {QStringLiteral("Elevation factor"), ui->txt_elevation_g2g},
        {QStringLiteral("Combined scale factor"), ui->txt_combined_g2g},
        {QStringLiteral("Grid reference"), ui->txt_gridref_g2g},
        {QStringLiteral("Accuracy warning"), ui->lbl_accuracy_g2g}};
    const common::CaptionedFields gridToGeogResults{
        {QStringLiteral("Latitude"), ui->txt_lat},
        {QStringLiteral("Longitude"), ui->txt_long},
        {QStringLiteral("Grid convergence"), ui->txt_convergence_g2l},
        {QStringLiteral("Point scale factor"), ui->txt_scale_g2l},
        {QStringLiteral("Elevation factor"), ui->txt_elevation_g2l},
        {QStringLiteral("Combined scale factor"), ui->txt_combined_g2l},
        {QStringLiteral("Grid reference"), ui->txt_gridref_g2l},
        {QStringLiteral("Accuracy warning"), ui->lbl_accuracy_g2l}};
    const common::CaptionedFields distanceResults{
        {QStringLiteral("Distance (kms)"), ui->lbl_kms},
        {QStringLiteral("Distance (n. miles)"), ui->lbl_miles},
        {QStringLiteral("Ellipsoidal distance (m)"), ui->txt_geodesic},
        {QStringLiteral("Grid distance (m)"), ui->txt_grid_distance},
        {QStringLiteral("Line scale factor"), ui->txt_line_scale},
        {QStringLiteral("Azimuth 1→2"), ui->txt_azimuth12},
        {QStringLiteral("Azimuth at 2"), ui->txt_azimuth2},
        {QStringLiteral("Grid bearing 1→2"), ui->txt_bearing12},
        {QStringLiteral("Ground distance (m)"), ui->txt_ground_distance},
        {QStringLiteral("Combined line factor"), ui->txt_combined_line},
        {QStringLiteral("Accuracy warning"), ui->lbl_accuracy_dist}};
    for (const common::CaptionedFields* results :
         {&geogToGridResults, &gridToGeogResults, &distanceResults})
        for (const auto& [caption, field] : *results)
            common::GiveCopyMenu(field);
    common::GiveCopyMenu(ui->lbl_gridref_read);
    common::InstallCopyResults(ui->tabGeogToGrid, geogToGridResults);
    common::InstallCopyResults(ui->tabGridToGeog, gridToGeogResults);
    common::InstallCopyResults(ui->tabDistance, distanceResults);

    // Widths in pixels depend on the screen; start from the twip width.
    const int minWidth = common::Twips(this, ui->Option3->isChecked() ? 1380 : 456);
    for (QLineEdit* f : {ui->txt_lat_min1, ui->txt_long_min1, ui->txt_lat_min2, ui->txt_long_min2})
        f->resize(minWidth, f->height());
}

void ConversionWindow::cmd_convert_clicked() {
    convert::GeogInput in;
    in.lat_deg = text(ui->txt_lat_deg);
    in.lat_min = text(ui->txt_lat_min);
    in.lat_sec = text(ui->txt_lat_sec);
    in.ns = text(ui->txt_ns);
    in.long_deg = text(ui->txt_long_deg);
    in.long_min = text(ui->txt_long_min);
    in.long_sec = text(ui->txt_long_sec);
    in.ew = text(ui->txt_ew);
    in.withSeconds = ui->opt_long->isChecked();
    in.factors = true;
    in.height = text(ui->txt_height_g2g);
    in.gridref = true;
    const convert::GridTexts r = convert::Geog_To_Grid(state_.parameters.inForce(), in);
    if (!r.ok()) {
        common::Show_Message(this, qs(r.message));
        // The refused field keeps its text, for the user to correct.
        QLineEdit* const fields[] = {ui->txt_lat_deg,  ui->txt_lat_min,  ui->txt_lat_sec,
                                     ui->txt_ns,       ui->txt_long_deg, ui->txt_long_min,
                                     ui->txt_long_sec, ui->txt_ew,       ui->txt_height_g2g};
        if (r.field >= 0 && r.field < 9)
            fields[r.field]->setFocus();
        return;
    }
    ui->txt_easting->setText(qs(r.easting));
    ui->txt_northing->setText(qs(r.northing));
    ui->txt_convergence_g2g->setText(qs(convert::Dms_Text(r.factors.convergence, true)));
    ui->txt_scale_g2g->setText(qs(convert::Scale_Text(r.factors.scale)));
    ui->txt_elevation_g2g->setText(qs(convert::Scale_Text(r.factors.elevation)));
    ui->txt_combined_g2g->setText(qs(convert::Scale_Text(r.factors.combined)));
    ui->txt_gridref_g2g->setText(qs(r.gridref));
    common::Show_Warning(ui->lbl_accuracy_g2g,
                         r.inexact ? accuracyLine(r.inexact, convert::Accuracy_Text(r.inexact->finding))
                                   : QString());

    joblog::Record log = joblog::Record::Now(joblog::kGeogToGrid);
    log[Column::DegreesAs] = in.withSeconds ? joblog::kDegMinSec : joblog::kDegMinutes;
    put(log, Column::Lat1Deg,
        {ui->txt_lat_deg, ui->txt_lat_min, ui->txt_lat_sec, ui->txt_ns, ui->txt_long_deg,
         ui->txt_long_min, ui->txt_long_sec, ui->txt_ew});
    if (!in.withSeconds) // hidden, and not part of the position
        log[Column::Lat1Sec] = log[Column::Long1Sec] = QString();
    log[Column::EllipsoidalHeight] = ui->txt_height_g2g->text();
    put(log, Column::Easting, {ui->txt_easting, ui->txt_northing});
    put(log, Column::GridConvergence,
        {ui->txt_convergence_g2g, ui->txt_scale_g2g, ui->txt_elevation_g2g, ui->txt_combined_g2g,
         ui->txt_gridref_g2g});
    log[Column::AccuracyWarning] = ui->lbl_accuracy_g2g->text();
    addToLog(log);
}

void ConversionWindow::Command1_clicked() {
    convert::GridInput in{text(ui->txt_east), text(ui->txt_north), true};
    in.height = text(ui->txt_height_g2l);
    in.gridref = true;
    const convert::GeogTexts r = convert::Grid_To_Geog(state_.parameters.inForce(), in);
    if (!r.ok()) {
        common::Show_Message(this, qs(r.message));
        // The refused entry keeps its text, for the user to correct.
        QLineEdit* const fields[] = {ui->txt_east, ui->txt_north, ui->txt_height_g2l};
        if (r.field >= 0 && r.field < 3)
            fields[r.field]->setFocus();
        return;
    }
    state_.result = r.result;
    ui->txt_convergence_g2l->setText(qs(convert::Dms_Text(r.factors.convergence, true)));
    ui->txt_scale_g2l->setText(qs(convert::Scale_Text(r.factors.scale)));
    ui->txt_elevation_g2l->setText(qs(convert::Scale_Text(r.factors.elevation)));
    ui->txt_combined_g2l->setText(qs(convert::Scale_Text(r.factors.combined)));
    ui->txt_gridref_g2l->setText(qs(r.gridref));
    ui->lbl_gridref_read->setText(r.gridrefRead.empty()
                                      ? QString()
                                      : QStringLiteral("Read grid reference %1, at the centre of its square.")
                                            .arg(qs(r.gridrefRead)));
    common::Show_Warning(
        ui->lbl_accuracy_g2l,
        r.inexact ? accuracyLine(r.inexact, convert::Accuracy_Text(r.inexact->finding,
                                                                   !ui->Option2->isChecked()))
                  : QString());
    if (ui->Option2->isChecked())
        Show_Result_Seconds();
    else
        Show_Result_Minutes();

    joblog::Record log = joblog::Record::Now(joblog::kGridToGeog);
    log[Column::DegreesAs] = ui->Option2->isChecked() ? joblog::kDegMinSec : joblog::kDegMinutes;
    put(log, Column::Easting1, {ui->txt_east, ui->txt_north});
    log[Column::EllipsoidalHeight] = ui->txt_height_g2l->text();
    put(log, Column::Latitude, {ui->txt_lat, ui->txt_long});
    put(log, Column::GridConvergence,
        {ui->txt_convergence_g2l, ui->txt_scale_g2l, ui->txt_elevation_g2l, ui->txt_combined_g2l,
         ui->txt_gridref_g2l});
    log[Column::AccuracyWarning] = ui->lbl_accuracy_g2l->text();
    addToLog(log);
}

void ConversionWindow::cmd_calc_clicked() {
    convert::DistanceInput in;
    QLineEdit* const geog[16] = {
        ui->txt_lat_deg1,  ui->txt_lat_min1,  ui->txt_lat_sec1,  ui->txt_lat_hemis1,
        ui->txt_long_deg1, ui->txt_long_min1, ui->txt_long_sec1, ui->txt_long_hemis1,
        ui->txt_lat_deg2,  ui->txt_lat_min2,  ui->txt_lat_sec2,  ui->txt_lat_hemis2,
        ui->txt_long_deg2, ui->txt_long_min2, ui->txt_long_sec2, ui->txt_long_hemis2};
    for (std::size_t i = 0; i < in.geog.size(); ++i)
        in.geog[i] = text(geog[i]);
    in.grid = {text(ui->txt_east1), text(ui->txt_north1), text(ui->txt_east2),
               text(ui->txt_north2)};
    in.withSeconds = ui->Option4->isChecked();
    in.geodesic = true;
    in.height1 = text(ui->txt_height1);
    in.height2 = text(ui->txt_height2);
    const convert::DistanceTexts r = convert::Point_Distance(state_.parameters.inForce(), in);
    if (r.status == convert::Status::SelectSpheroid) {
        common::Show_Message(this, qs(r.message), QStringLiteral("True"),
                             common::Buttons::OkCancel);
        return;
    }
    if (!r.ok()) {
        common::Show_Message(this, qs(r.message));
        QLineEdit* const grid[4] = {ui->txt_east1, ui->txt_north1, ui->txt_east2, ui->txt_north2};
        if (r.field >= 0 && r.field < 16)
            geog[r.field]->setFocus();
        else if (r.field >= 16 && r.field < 20)
            grid[r.field - 16]->setFocus();
        else if (r.field == 20 || r.field == 21)
            (r.field == 20 ? ui->txt_height1 : ui->txt_height2)->setFocus();
        return;
    }
    ui->lbl_kms->setText(qs(r.kms));
    ui->lbl_miles->setText(qs(r.miles));
    const convert::LineFactors& l = r.line;
    ui->txt_geodesic->setText(qs(convert::Metres_Text(l.geodesic)));
    ui->txt_grid_distance->setText(qs(convert::Metres_Text(l.grid_distance)));
    ui->txt_line_scale->setText(qs(convert::Scale_Text(l.line_scale)));
    ui->txt_azimuth12->setText(qs(convert::Dms_Text(l.azimuth12, false)));
    ui->txt_azimuth2->setText(qs(convert::Dms_Text(l.azimuth2, false)));
    ui->txt_bearing12->setText(qs(convert::Dms_Text(l.bearing12, false)));
    ui->txt_ground_distance->setText(qs(convert::Metres_Text(l.ground_distance)));
    ui->txt_combined_line->setText(qs(convert::Scale_Text(l.combined_line)));
    common::Show_Warning(ui->lbl_accuracy_dist,
                         r.inexact ? accuracyLine(r.inexact, convert::Accuracy_Text(r.inexact->finding))
                                   : QString());

    joblog::Record log = joblog::Record::Now(joblog::kDistance);
    log[Column::DegreesAs] = in.withSeconds ? joblog::kDegMinSec : joblog::kDegMinutes;
    for (int i = 0; i < 16; ++i) // the seconds count only when shown
        log[Column(int(Column::Lat1Deg) + i)] =
            in.withSeconds || i % 4 != 2 ? geog[i]->text() : QString();
    put(log, Column::Easting1, {ui->txt_east1, ui->txt_north1, ui->txt_east2, ui->txt_north2});
    put(log, Column::Height1, {ui->txt_height1, ui->txt_height2});
    put(log, Column::DistanceKms, {ui->lbl_kms, ui->lbl_miles});
    put(log, Column::EllipsoidalDistance,
        {ui->txt_geodesic, ui->txt_grid_distance, ui->txt_line_scale, ui->txt_azimuth12,
         ui->txt_azimuth2, ui->txt_bearing12, ui->txt_ground_distance, ui->txt_combined_line});
    log[Column::AccuracyWarning] = ui->lbl_accuracy_dist->text();
    addToLog(log);
}

void ConversionWindow::addToLog(joblog::Record record) {
    joblog::JobLog* log = state_.log();
    if (!log)
        return;
    const catalogue::EntryTexts t = state_.parameters.entryTexts();
    const QString name = state_.parameters.selectedName();
    record.setParameters(name.isEmpty() ? joblog::kTypedByHand : name,
                         {t.sma, t.eccentricity, t.Scale, t.FE, t.FN, t.Lat, t.meridian});
    // Reported once; the conversion stands either way.
    const QString failed = log->add(record);
    if (!failed.isEmpty())
        ui->statusBar->showMessage(failed);
}

void ConversionWindow::Use_Record(const joblog::Record& r) {
    const QString& calculation = r[Column::Calculation];
    const bool minutes = r[Column::DegreesAs] == joblog::kDegMinutes;
    if (calculation == joblog::kGeogToGrid) {
        ui->SSTab1->setCurrentIndex(kGeogToGridTab);
        // The mode first: changing it folds whatever the fields hold.
        (minutes ? ui->opt_short : ui->opt_long)->setChecked(true);
        take(r, Column::Lat1Deg,
             {ui->txt_lat_deg, ui->txt_lat_min, ui->txt_lat_sec, ui->txt_ns, ui->txt_long_deg,
              ui->txt_long_min, ui->txt_long_sec, ui->txt_ew});
        ui->txt_height_g2g->setText(r[Column::EllipsoidalHeight]);
        ui->txt_easting->clear();
        ui->txt_northing->clear();
        clearFactors(Factors::GeogToGrid);
        recalled_[kRecalledGeogToGrid] = r;
        ui->cmd_convert->setFocus();
    } else if (calculation == joblog::kGridToGeog) {
        ui->SSTab1->setCurrentIndex(kGridToGeogTab);
        state_.result = {};
        (minutes ? ui->Option1 : ui->Option2)->setChecked(true);
        take(r, Column::Easting1, {ui->txt_east, ui->txt_north});
        ui->txt_height_g2l->setText(r[Column::EllipsoidalHeight]);
        ui->txt_lat->clear();
        ui->txt_long->clear();
        clearFactors(Factors::GridToGeog);
        recalled_[kRecalledGridToGeog] = r;
        ui->Command1->setFocus();
    } else if (calculation == joblog::kDistance) {
        ui->SSTab1->setCurrentIndex(kDistanceTab);
        (minutes ? ui->Option3 : ui->Option4)->setChecked(true);
        take(r, Column::Lat1Deg,
             {ui->txt_lat_deg1, ui->txt_lat_min1, ui->txt_lat_sec1, ui->txt_lat_hemis1,
              ui->txt_long_deg1, ui->txt_long_min1, ui->txt_long_sec1, ui->txt_long_hemis1,
              ui->txt_lat_deg2, ui->txt_lat_min2, ui->txt_lat_sec2, ui->txt_lat_hemis2,
              ui->txt_long_deg2, ui->txt_long_min2, ui->txt_long_sec2, ui->txt_long_hemis2});
        take(r, Column::Easting1, {ui->txt_east1, ui->txt_north1, ui->txt_east2, ui->txt_north2});
        take(r, Column::Height1, {ui->txt_height1, ui->txt_height2});
        ui->lbl_kms->setText(QStringLiteral("#"));
        ui->lbl_miles->setText(QStringLiteral("#"));
        clearFactors(Factors::Distance);
        recalled_[kRecalledDistance] = r;
        ui->cmd_calc->setFocus();
    } else {
        return;
    }
    showParameterSet();
}

QString ConversionWindow::accuracyLine(const std::optional<convert::InexactAt>& at,
                                       const std::string& warning) const {
    QString line = qs(warning);
    const convert::InForce& pf = state_.parameters.inForce();
    if (!at || !pf.checker)
        return line;
    // The entry on the same spheroid whose meridian is nearest, from the
    // catalogue as it is now; a catalogue that cannot be read names none.
    std::vector<accuracy::Entry> entries;
    try {
        for (const catalogue::Entry& e : catalogue::CatalogueStore(state_.DatabasePath, true).ListEntries()) {
            const numtext::ParameterReading r = catalogue::Read_Entry(e.texts, {false, false});
            if (!r.values)
                continue;
            const numtext::ParameterNumbers& n = *r.values;
            entries.push_back({e.texts.name.toStdString(), {n.a, n.e2, n.k0, n.fe, n.fn, n.lat0, n.lon0}});
        }
    } catch (const catalogue::StoreError&) {
        return line;
    }
    if (const auto n = accuracy::Nearer_Entry(pf.checker->params(), entries, at->lat, at->lon))
        line += QLatin1Char(' ') + qs(accuracy::Nearer_Text(*n));
    return line;
}

void ConversionWindow::clearFactors(Factors which) {
    QList<QLineEdit*> fields;
    QList<QLabel*> lines;
    switch (which) {
    case Factors::GeogToGrid:
        fields = {ui->txt_convergence_g2g, ui->txt_scale_g2g, ui->txt_elevation_g2g,
                  ui->txt_combined_g2g, ui->txt_gridref_g2g};
        lines = {ui->lbl_accuracy_g2g};
        break;
    case Factors::GridToGeog:
        fields = {ui->txt_convergence_g2l, ui->txt_scale_g2l, ui->txt_elevation_g2l,
                  ui->txt_combined_g2l, ui->txt_gridref_g2l};
        lines = {ui->lbl_accuracy_g2l, ui->lbl_gridref_read};
        break;
    case Factors::Distance:
        fields = {ui->txt_geodesic,  ui->txt_grid_distance, ui->txt_line_scale,
                  ui->txt_azimuth12, ui->txt_azimuth2,      ui->txt_bearing12,
                  ui->txt_ground_distance, ui->txt_combined_line};
        lines = {ui->lbl_accuracy_dist};
        break;
    }
    for (QLineEdit* f : fields)
        f->clear();
    for (QLabel* l : lines) {
        l->clear();
        l->setToolTip(QString());
    }
}

// The entry mode of "Distance": the four seconds fields and their heading
// shown or hidden, each minutes field covering the place of a hidden seconds
// field, the cursor back at the start.
void ConversionWindow::showDistanceSeconds(bool shown) {
    for (QWidget* w : std::initializer_list<QWidget*>{ui->txt_lat_sec1, ui->txt_long_sec1,
                                                      ui->txt_lat_sec2, ui->txt_long_sec2,
                                                      ui->Label5_5})
        w->setVisible(shown);
    // Folded minutes show ten significant digits.
    const int width = common::Twips(this, shown ? 456 : 1380);
    for (QLineEdit* f : {ui->txt_lat_min1, ui->txt_long_min1, ui->txt_lat_min2, ui->txt_long_min2})
        f->resize(width, f->height());
    ui->txt_lat_deg1->setFocus();
}

void ConversionWindow::Option3_clicked() {
    showDistanceSeconds(false);
    // As on Geog to Grid: the seconds fold into the minutes, or they would
    // silently drop out of the distance.
    for (auto [min, sec] : {std::pair{ui->txt_lat_min1, ui->txt_lat_sec1},
                            std::pair{ui->txt_long_min1, ui->txt_long_sec1},
                            std::pair{ui->txt_lat_min2, ui->txt_lat_sec2},
                            std::pair{ui->txt_long_min2, ui->txt_long_sec2}})
        Fold_Seconds(min, sec);
}
void ConversionWindow::Option4_clicked() { showDistanceSeconds(true); }
