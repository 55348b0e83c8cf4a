#include "trig2frm.h"

#include "intersectfields.h"
#include "ui_trig2frm.h"

#include <QCloseEvent>

namespace {
intersect::FieldSet Fields(const Ui::Trig2Frm& form) {
    return {form.txt_E1, form.txt_N1, form.txt_E2,     form.txt_N2,
            form.txt_E3, form.txt_N3, form.txt_anglea, form.txt_angleb};
}
} // namespace

Trig2Frm::Trig2Frm(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::Trig2Frm>()) {
    ui->setupUi(this);
    ui->sketch->setKind(TriangleSketch::Kind::Bearings);
    setAttribute(Qt::WA_DeleteOnClose);
    connect(ui->SSCommand1, &QPushButton::clicked, this, &Trig2Frm::SSCommand1_clicked);
    connect(ui->SSCommand2, &QPushButton::clicked, this, &Trig2Frm::SSCommand2_clicked);
    connect(ui->SSCommand3, &QPushButton::clicked, this, &Trig2Frm::SSCommand3_clicked);
}

Trig2Frm::~Trig2Frm() = default;

void Trig2Frm::Clear_Details() {
    intersect::Clear_Fields(Fields(*ui));
}

void Trig2Frm::SSCommand1_clicked() {
    const auto result = intersect::Solve_From_Bearings(intersect::Read_Fields(Fields(*ui)));
    if (intersect::Show_Outcome(this, Fields(*ui), result))
        Clear_Details();
}

void Trig2Frm::SSCommand2_clicked() {
    close();
}

void Trig2Frm::SSCommand3_clicked() {
    Clear_Details();
}

void Trig2Frm::closeEvent(QCloseEvent* event) {
    event->accept();
    // close() may run again while the deletion is pending; the menu must
    // hear of it only once.
    if (!closed_) {
        closed_ = true;
        hide(); // gone before the menu shows: one window at a time
        emit closed();
    }
}
