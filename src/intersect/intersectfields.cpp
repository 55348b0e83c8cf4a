#include "intersectfields.h"

#include "messages.h"

#include <QLineEdit>

namespace intersect {

namespace {
std::string Text(const QLineEdit* e) {
    return e->text().toStdString();
}
} // namespace

IntersectionInput Read_Fields(const FieldSet& f) {
    return {Text(f.E1), Text(f.N1), Text(f.E2), Text(f.N2), Text(f.anglea), Text(f.angleb)};
}

void Clear_Fields(const FieldSet& f) {
    for (QLineEdit* e : {f.E1, f.N1, f.E2, f.N2, f.E3, f.N3, f.anglea, f.angleb})
        e->setText(QString());
}

bool Show_Outcome(QWidget* window, const FieldSet& f, const IntersectionResult& r) {
    // A step the calculation never reached leaves its field as it was.
    if (!r.E3.empty())
        f.E3->setText(QString::fromStdString(r.E3));
    if (!r.N3.empty())
        f.N3->setText(QString::fromStdString(r.N3));
    if (r.status == IntersectionResult::Status::Ok)
        return false;
    const std::string_view text = Status_Message(r.status);
    common::Show_Message(window, QString::fromUtf8(text.data(), qsizetype(text.size())));
    return true;
}

} // namespace intersect
