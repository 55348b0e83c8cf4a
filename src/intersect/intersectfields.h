// What the two intersection windows share: reading their eight fields,
// emptying them, and showing the outcome of a calculation.
#pragma once

#include "intersection.h"

class QLineEdit;
class QWidget;

namespace intersect {

struct FieldSet {
    QLineEdit* E1;
    QLineEdit* N1;
    QLineEdit* E2;
    QLineEdit* N2;
    QLineEdit* E3;
    QLineEdit* N3;
    QLineEdit* anglea;
    QLineEdit* angleb;
};

IntersectionInput Read_Fields(const FieldSet& f);

// Empties the eight fields in the windows' fixed order; focus stays put.
void Clear_Fields(const FieldSet& f);

// Writes E3 and then N3, as far as the calculation got, and shows the
// message of a refused or failed one. Returns true when the caller must
// clear the window.
bool Show_Outcome(QWidget* window, const FieldSet& f, const IntersectionResult& r);

} // namespace intersect
