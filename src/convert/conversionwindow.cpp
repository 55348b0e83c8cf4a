#include "conversionwindow.h"

#include "logtab.h"
#include "numtext.h"
#include "spheroidtab.h"
#include "ui_conversionwindow.h"
#include "widgets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

#include <initializer_list>

#include <cmath>

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Fields whose text is always upper case.
void keepUpperCase(QLineEdit* field) {
    QObject::connect(field, &QLineEdit::textChanged, field,
                     [field](const QString& text) { common::ForceUpperCase(field, text); });
}

// A click on the option already selected does nothing: only a change to
// selected counts.
template <class F> void onSelected(QRadioButton* b, QObject* ctx, F f) {
    QObject::connect(b, &QRadioButton::toggled, ctx, [f](bool on) {
        if (on)
            f();
    });
}

} // namespace

ConversionWindow::ConversionWindow(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), ui(std::make_unique<Ui::ConversionWindow>()) {
    ui->setupUi(this);
    spheroid_ = new SpheroidTab(state_, ui->tabSpheroid);
    ui->tabSpheroidLayout->addWidget(spheroid_);
    spheroid_->setClearDetails([this] { Clear_Details(); });
    connect(spheroid_, &SpheroidTab::closeRequested, this, &ConversionWindow::close);
    // No result is ever shown or printed beside values it was not computed with.
    connect(&state_.parameters, &catalogue::ParameterSet::changed, this,
            &ConversionWindow::parametersChanged);

    if (joblog::JobLog* log = state_.log()) {
        logTab_ = new LogTab(*log, ui->tab_log);
        ui->tabLogLayout->addWidget(logTab_);
        connect(logTab_, &LogTab::recordActivated, this, &ConversionWindow::Use_Record);
        if (!logTab_->loadError().isEmpty())
            ui->statusBar->showMessage(QStringLiteral("The job log cannot be read: ") +
                                       logTab_->loadError());
    }

    connect(ui->SSTab1, &QTabWidget::currentChanged, this, &ConversionWindow::SSTab1_changed);
    for (QLineEdit* f : {ui->txt_ns, ui->txt_ew, ui->txt_lat_hemis1, ui->txt_lat_hemis2,
                         ui->txt_long_hemis1, ui->txt_long_hemis2})
        keepUpperCase(f);
    onSelected(ui->opt_long, this, [this] { opt_long_clicked(); });
    onSelected(ui->opt_short, this, [this] { opt_short_clicked(); });
    onSelected(ui->Option1, this, [this] { Option1_clicked(); });
    onSelected(ui->Option2, this, [this] { Option2_clicked(); });

    // The entry grids keep their fixed narrow columns; drop the inner
    // padding so a value such as 38.012 seconds stays readable in them.
    for (QGroupBox* grid : {ui->SSFrame3, ui->SSFrame5})
        for (QLineEdit* f : grid->findChildren<QLineEdit*>())
            f->setTextMargins(-1, 0, -1, 0);

    setGeogEntryGeometry(true);
    connectWorkingTabs();
    connectPrinting();
    // Escape does what Close does.
    common::InstallWindowKeys(this, [this] { close(); });
}

ConversionWindow::~ConversionWindow() = default;

bool ConversionWindow::Load() {
    ui->SSTab1->setCurrentIndex(0);
    showParameterSet();
    return spheroid_->Load();
}

void ConversionWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides: the window keeps its state for the next opening.
    // At the end of a desktop session it must let go, or logout stalls.
    if (qApp->isSavingSession()) {
        event->accept();
        return;
    }
    event->ignore();
    hide();
    emit closed();
}

void ConversionWindow::SSTab1_changed(int index) {
    // The Log tab is a look aside: going there and back to the same tab
    // keeps what was typed.
    if (index == kLogTab)
        return;
    if (index == workingTab_) {
        showParameterSet();
        return;
    }
    workingTab_ = index;
    // The distance positions are emptied below: a record they came from no
    // longer speaks for the tab.
    if (const auto& r = recalled_[kRecalledDistance]; r && !(*r)[joblog::Column::Lat1Deg].isEmpty())
        recalled_[kRecalledDistance].reset();
    for (QLineEdit* f :
         {ui->txt_lat_deg1, ui->txt_lat_min1, ui->txt_lat_sec1, ui->txt_lat_hemis1,
          ui->txt_long_deg1, ui->txt_long_min1, ui->txt_long_sec1, ui->txt_long_hemis1,
          ui->txt_lat_deg2, ui->txt_lat_min2, ui->txt_lat_sec2, ui->txt_lat_hemis2,
          ui->txt_long_deg2, ui->txt_long_min2, ui->txt_long_sec2, ui->txt_long_hemis2})
        f->setText(QString());
    ui->lbl_kms->setText(QString());
    ui->lbl_miles->setText(QString());
    ui->txt_lat->setText(QString());
    ui->txt_long->setText(QString());
    clearFactors(Factors::Distance);
    clearFactors(Factors::GridToGeog);
    showParameterSet();
}

void ConversionWindow::showParameterSet() {
    const QString line = state_.parameters.statusLine();
    QLabel* const labels[kRecalledCount] = {ui->lbl_active_g2l, ui->lbl_active_g2g,
                                            ui->lbl_active_dist};
    for (int i = 0; i < kRecalledCount; ++i) {
        const QString text = recalled_[i] ? line + recordNote(*recalled_[i]) : line;
        labels[i]->setText(text);
        labels[i]->setToolTip(text);
    }
}

namespace {

// The seven values compared as numbers where both read ("173 E" and "173E"
// are one meridian), else as texts.
bool sameValues(const std::array<QString, 7>& a, const catalogue::EntryTexts& b) {
    const catalogue::EntryTexts ra{QString(), a[0], a[1], a[2], a[3], a[4], a[5], a[6]};
    const numtext::ReadOptions o{false, true};
    const numtext::ParameterReading x = catalogue::Read_Entry(ra, o);
    const numtext::ParameterReading y = catalogue::Read_Entry(b, o);
    if (x.values && y.values)
        return *x.values == *y.values && x.meridianEmpty == y.meridianEmpty;
    const QString bt[7] = {b.sma, b.eccentricity, b.Scale, b.FE, b.FN, b.Lat, b.meridian};
    for (int i = 0; i < 7; ++i)
        if (a[std::size_t(i)].trimmed().toUpper() != bt[i].trimmed().toUpper())
            return false;
    return true;
}

} // namespace

QString ConversionWindow::recordNote(const joblog::Record& record) const {
    if (sameValues(record.parameters(), state_.parameters.entryTexts()))
        return QStringLiteral(" (same values as the record)");
    const QString name = record[joblog::Column::ParameterSet];
    return QStringLiteral(" (the record's set differs: %1)")
        .arg(name.isEmpty() ? joblog::kTypedByHand : name);
}

void ConversionWindow::parametersChanged() {
    for (QLineEdit* f : {ui->txt_easting, ui->txt_northing, ui->txt_lat, ui->txt_long})
        f->clear();
    ui->lbl_kms->setText(QString());
    ui->lbl_miles->setText(QString());
    clearFactors(Factors::GeogToGrid);
    clearFactors(Factors::GridToGeog);
    clearFactors(Factors::Distance);
    state_.result = {};
    showParameterSet();
}

void ConversionWindow::Clear_Details() {
    spheroid_->ClearFields();
    for (QLineEdit* f :
         {ui->txt_east, ui->txt_north, ui->txt_easting, ui->txt_northing, ui->txt_lat, ui->txt_long})
        f->setText(QString());
    clearFactors(Factors::GeogToGrid);
    clearFactors(Factors::GridToGeog);
    recalled_[kRecalledGridToGeog].reset();
    showParameterSet();
}

void ConversionWindow::setGeogEntryGeometry(bool withSeconds) {
    // Wide enough for what the fields hold: seconds such as 27.2531 whole,
    // folded minutes to ten significant digits; the letters stay put.
    const int minWidth = common::Twips(this, withSeconds ? 624 : 1560);
    const int letterLeft = common::Twips(this, 5250);
    for (QLineEdit* f : {ui->txt_lat_min, ui->txt_long_min})
        f->resize(minWidth, f->height());
    for (QLineEdit* f : {ui->txt_ns, ui->txt_ew})
        f->move(letterLeft, f->y());
}

// The entry mode of "Geog to Grid": the seconds fields and their heading
// shown or hidden, the geometry to match, the cursor back at the start.
void ConversionWindow::showGeogSeconds(bool shown) {
    for (QWidget* w : std::initializer_list<QWidget*>{ui->txt_lat_sec, ui->txt_long_sec, ui->Sec})
        w->setVisible(shown);
    setGeogEntryGeometry(shown);
    ui->txt_lat_deg->setFocus();
}

void ConversionWindow::opt_long_clicked() { showGeogSeconds(true); }

void ConversionWindow::Fold_Seconds(QLineEdit* min, QLineEdit* sec) {
    const double m = numtext::Read_Number(min->text().toStdString());
    const double s = numtext::Read_Number(sec->text().toStdString());
    // An overflowing entry stays as typed, for Convert to report;
    // "inf" in the field would later read as 0 and convert silently.
    if (!std::isfinite(m + s / 60))
        return;
    min->setText(qs(numtext::Plain_Text(m + s / 60)));
    sec->setText(QString());
}

void ConversionWindow::opt_short_clicked() {
    showGeogSeconds(false);
    // The seconds fold into decimal minutes and leave their field, or going
    // back to "Deg, Min, Sec" would count them twice.
    Fold_Seconds(ui->txt_lat_min, ui->txt_lat_sec);
    Fold_Seconds(ui->txt_long_min, ui->txt_long_sec);
}

void ConversionWindow::Show_Result_Minutes() {
    // No current result: nothing to show, rather than a position of zeros.
    if (state_.result.lat_hemis.empty()) {
        ui->txt_lat->clear();
        ui->txt_long->clear();
        return;
    }
    const numtext::LayoutTexts t = numtext::Layout_Minutes(state_.result);
    ui->txt_lat->setText(qs(t.lat));
    ui->txt_long->setText(qs(t.lon));
}

void ConversionWindow::Show_Result_Seconds() {
    if (state_.result.lat_hemis.empty()) {
        ui->txt_lat->clear();
        ui->txt_long->clear();
        return;
    }
    const numtext::LayoutTexts t = numtext::Layout_Seconds(state_.result);
    ui->txt_lat->setText(qs(t.lat));
    ui->txt_long->setText(qs(t.lon));
}

void ConversionWindow::Option1_clicked() { Show_Result_Minutes(); }
void ConversionWindow::Option2_clicked() { Show_Result_Seconds(); }
