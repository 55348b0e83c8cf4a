// The three printed reports.
#include "menufrm.h"
#include "ui_menufrm.h"

void MenuFrm::connectPrinting() {}
void MenuFrm::Command2_clicked() {}
void MenuFrm::Command3_clicked() {}
void MenuFrm::Command4_clicked() {}
