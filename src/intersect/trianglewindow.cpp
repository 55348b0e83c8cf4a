#include "trianglewindow.h"

#include "intersection.h"
#include "logfile.h"
#include "messages.h"
#include "ui_trianglewindow_angles.h"
#include "ui_trianglewindow_bearings.h"
#include "widgets.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QStatusBar>

namespace {
std::string Text(const QLineEdit* e) {
    return e->text().toStdString();
}
} // namespace

// The generated form owns nothing once set up: its widgets are the window's
// children, so only the pointers are kept.
template <class Form> TriangleWindow::Controls TriangleWindow::Load(QWidget* window) {
    Form form;
    form.setupUi(window);
    return {form.txt_E1,     form.txt_N1,     form.txt_E2,     form.txt_N2,     form.txt_E3,
            form.txt_N3,     form.txt_anglea, form.txt_angleb, form.SSCommand1, form.SSCommand2,
            form.SSCommand3, form.sketch,     form.statusBar};
}

TriangleWindow::TriangleWindow(Kind kind, joblog::JobLog* log, QWidget* parent)
    : QWidget(parent), kind_(kind), log_(log),
      ui(kind == Kind::Angles ? Load<Ui::TriangleWindowAngles>(this)
                              : Load<Ui::TriangleWindowBearings>(this)) {
    ui.sketch->setKind(kind);
    setAttribute(Qt::WA_DeleteOnClose);
    connect(ui.SSCommand1, &QPushButton::clicked, this, &TriangleWindow::SSCommand1_clicked);
    connect(ui.SSCommand2, &QPushButton::clicked, this, &TriangleWindow::SSCommand2_clicked);
    connect(ui.SSCommand3, &QPushButton::clicked, this, &TriangleWindow::SSCommand3_clicked);
    common::PressOnEnter({ui.txt_E1, ui.txt_N1, ui.txt_E2, ui.txt_N2, ui.txt_anglea, ui.txt_angleb},
                         ui.SSCommand1);
    common::GiveCopyMenus({ui.txt_E3, ui.txt_N3});
    common::InstallCopyResults(
        this, {{QStringLiteral("Easting"), ui.txt_E3}, {QStringLiteral("Northing"), ui.txt_N3}});
    // Escape does what Close does.
    common::InstallWindowKeys(this, [this] { ui.SSCommand2->click(); });
}

void TriangleWindow::Clear_Details() {
    // This order is visible to anyone watching the fields change.
    for (QLineEdit* e : {ui.txt_E1, ui.txt_N1, ui.txt_E2, ui.txt_N2, ui.txt_E3, ui.txt_N3,
                         ui.txt_anglea, ui.txt_angleb})
        e->setText(QString());
}

void TriangleWindow::SSCommand1_clicked() {
    const intersect::IntersectionInput in{Text(ui.txt_E1),     Text(ui.txt_N1),
                                          Text(ui.txt_E2),     Text(ui.txt_N2),
                                          Text(ui.txt_anglea), Text(ui.txt_angleb)};
    const intersect::IntersectionResult r = kind_ == Kind::Angles
                                                ? intersect::Solve_From_Angles(in)
                                                : intersect::Solve_From_Bearings(in);
    // A step the calculation never reached leaves its field as it was.
    if (!r.E3.empty())
        ui.txt_E3->setText(QString::fromStdString(r.E3));
    if (!r.N3.empty())
        ui.txt_N3->setText(QString::fromStdString(r.N3));
    if (r.ok()) {
        addToLog();
        return;
    }
    common::Show_Message(this, QString::fromStdString(r.message));
    if (r.field >= 0) {
        // A refused entry keeps its text, for the user to correct.
        QLineEdit* const fields[] = {ui.txt_E1, ui.txt_N1, ui.txt_E2, ui.txt_N2, ui.txt_anglea,
                                     ui.txt_angleb};
        fields[r.field]->setFocus();
        return;
    }
    Clear_Details();
}

void TriangleWindow::addToLog() {
    if (!log_)
        return;
    using joblog::Column;
    joblog::Record r =
        joblog::Record::Now(kind_ == Kind::Angles ? joblog::kAngles : joblog::kBearings);
    const std::pair<Column, const QLineEdit*> fields[] = {
        {Column::Easting1, ui.txt_E1},   {Column::Northing1, ui.txt_N1},
        {Column::Easting2, ui.txt_E2},   {Column::Northing2, ui.txt_N2},
        {Column::AngleA, ui.txt_anglea}, {Column::AngleB, ui.txt_angleb},
        {Column::Easting, ui.txt_E3},    {Column::Northing, ui.txt_N3}};
    for (const auto& [column, field] : fields)
        r[column] = field->text();
    // Reported once a run; the result stands either way.
    const QString failed = log_->add(r);
    if (!failed.isEmpty())
        ui.statusBar->showMessage(failed);
}

void TriangleWindow::SSCommand2_clicked() {
    close();
}

void TriangleWindow::SSCommand3_clicked() {
    Clear_Details();
}

void TriangleWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    // close() may run again while the deletion is pending; the menu must
    // hear of it only once.
    if (!closed_) {
        closed_ = true;
        hide(); // gone before the menu shows: one window at a time
        emit closed();
    }
}
