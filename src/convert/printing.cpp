// The three printed reports.
#include "printing.h"
#include "conversionwindow.h"
#include "messages.h"
#include "ui_conversionwindow.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>

#include <initializer_list>

namespace reports {

std::function<bool(QPrinter*)> PrintDialogHook;
std::function<void(QWidget*)> ControlFormLoaded;

namespace {

// Never shown: it only owns the application's printer and the dialog, so the
// printer chosen last is offered again on the next print.
class CtrlFrm : public QWidget {
  public:
    CtrlFrm() : printer(QPrinter::HighResolution) {
        setObjectName(QStringLiteral("ctrlfrm"));
        renewDialog();
    }
    // The dialog takes its proposed file name from the printer when it is
    // made, so each print gets a new one.
    void renewDialog() {
        delete CmDialog1;
        CmDialog1 = new QPrintDialog(&printer, this);
        CmDialog1->setObjectName(QStringLiteral("CmDialog1"));
    }
    // The dialog refers to the printer, which as a member would otherwise go
    // before the base class deletes the children.
    ~CtrlFrm() override { delete CmDialog1; }
    QPrinter printer;
    QPrintDialog* CmDialog1 = nullptr;
};

QPointer<CtrlFrm> ctrlfrm;

CtrlFrm* controlForm() {
    if (!ctrlfrm) {
        ctrlfrm = new CtrlFrm;
        if (ControlFormLoaded)
            ControlFormLoaded(ctrlfrm);
    }
    return ctrlfrm;
}

bool showPrinter(CtrlFrm* ctrl, QWidget* caller) {
    if (PrintDialogHook)
        return PrintDialogHook(&ctrl->printer);
    // Its owner is never on screen, so centre the dialog over the caller.
    QPrintDialog* dialog = ctrl->CmDialog1;
    dialog->adjustSize();
    dialog->move(caller->window()->frameGeometry().center() - dialog->rect().center());
    return dialog->exec() == QDialog::Accepted;
}

// A file name of its own for each report, in the folder of the last one:
// proposing the same name every time overwrote the previous report.
void proposeFileName(QPrinter& printer, const QString& report) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = QStringLiteral("quillmar-%1-%2").arg(report, stamp);
    printer.setDocName(base);
    if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
        return; // a real printer: only the document name matters
    const QDir folder = QFileInfo(printer.outputFileName()).dir();
    QString name = folder.filePath(base + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = folder.filePath(QStringLiteral("%1-%2.pdf").arg(base).arg(n));
    printer.setOutputFileName(name);
}

// Builds the report only after the dialog, so it prints the fields as they
// stand once the user has confirmed.
void printReport(QWidget* caller, const QString& report, const std::function<Report()>& build) {
    CtrlFrm* ctrl = controlForm();
    // Each report starts at one copy; the count the user then chooses is
    // the count printed.
    ctrl->printer.setCopyCount(1);
    proposeFileName(ctrl->printer, report);
    ctrl->renewDialog();
    if (!showPrinter(ctrl, caller))
        return; // cancelled: nothing printed, nothing said
    if (!Paint_Report(&ctrl->printer, build()))
        common::Show_Message(caller, QStringLiteral("The report could not be printed."));
}

} // namespace

QWidget* Control_Form() {
    return ctrlfrm;
}

bool Paint_Report(QPrinter* printer, const Report& report) {
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    const QFontMetricsF fm(painter.font(), printer);
    const QList<Placement> placed = Place_Report(
        report, fm.averageCharWidth(), [&fm](const QString& s) { return fm.horizontalAdvance(s); });
    for (const Placement& p : placed)
        painter.drawText(QPointF(p.x, p.row * fm.lineSpacing() + fm.ascent()), p.text);
    return painter.end();
}

} // namespace reports

namespace {

// The parameter set in force: the values the results were computed with.
reports::SpheroidTexts spheroidTexts(const catalogue::ParameterSet& p) {
    const catalogue::EntryTexts t = p.entryTexts();
    return {t.name, t.sma, t.eccentricity, t.Scale, t.FE, t.FN, t.Lat, t.meridian};
}

// The quantities as their fields show them, under the fields' own names,
// then the tab's warning line as a note.
reports::Quantities quantitiesOf(std::initializer_list<const QLineEdit*> fields,
                                 const QLabel* warning) {
    reports::Quantities out;
    for (const QLineEdit* f : fields)
        out << reports::Quantity{f->accessibleName(), f->text()};
    if (!warning->text().isEmpty())
        out << reports::Quantity{QString(), warning->text()};
    return out;
}

} // namespace

void ConversionWindow::connectPrinting() {
    connect(ui->Command2, &QPushButton::clicked, this, &ConversionWindow::Command2_clicked);
    connect(ui->Command3, &QPushButton::clicked, this, &ConversionWindow::Command3_clicked);
    connect(ui->Command4, &QPushButton::clicked, this, &ConversionWindow::Command4_clicked);
}

void ConversionWindow::Command2_clicked() {
    // The position texts are taken before the dialog is shown.
    const bool withSeconds = ui->opt_long->isChecked();
    const QString latitude =
        reports::Position_Text(ui->txt_lat_deg->text(), ui->txt_lat_min->text(),
                               ui->txt_lat_sec->text(), ui->txt_ns->text(), withSeconds);
    const QString longitude =
        reports::Position_Text(ui->txt_long_deg->text(), ui->txt_long_min->text(),
                               ui->txt_long_sec->text(), ui->txt_ew->text(), withSeconds);
    reports::printReport(this, QStringLiteral("geog-to-grid"), [&] {
        return reports::Geog_To_Grid_Report(
            spheroidTexts(state_.parameters), latitude, longitude, ui->txt_easting->text(),
            ui->txt_northing->text(), quantitiesOf({ui->txt_convergence_g2g, ui->txt_scale_g2g, ui->txt_elevation_g2g,
                                      ui->txt_combined_g2g, ui->txt_gridref_g2g},
                                     ui->lbl_accuracy_g2g));
    });
}

void ConversionWindow::Command3_clicked() {
    reports::printReport(this, QStringLiteral("grid-to-geog"), [this] {
        return reports::Grid_To_Geog_Report(spheroidTexts(state_.parameters), ui->txt_east->text(),
                                            ui->txt_north->text(), ui->txt_lat->text(),
                                            ui->txt_long->text(),
                                            quantitiesOf({ui->txt_convergence_g2l, ui->txt_scale_g2l,
                                                          ui->txt_elevation_g2l, ui->txt_combined_g2l,
                                                          ui->txt_gridref_g2l},
                                                         ui->lbl_accuracy_g2l));
    });
}

void ConversionWindow::Command4_clicked() {
    reports::printReport(this, QStringLiteral("distance"), [this] {
        return reports::Distance_Report(
            spheroidTexts(state_.parameters), ui->lbl_kms->text(), ui->lbl_miles->text(),
            quantitiesOf({ui->txt_geodesic, ui->txt_grid_distance, ui->txt_line_scale,
                          ui->txt_azimuth12, ui->txt_azimuth2, ui->txt_bearing12,
                          ui->txt_ground_distance, ui->txt_combined_line},
                         ui->lbl_accuracy_dist));
    });
}
