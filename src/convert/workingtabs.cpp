// Handlers of the "Geog to Grid", "Grid to Geog" and "Distance" tabs.
#include "menufrm.h"
#include "ui_menufrm.h"

void MenuFrm::connectWorkingTabs() {}
void MenuFrm::cmd_convert_clicked() {}
void MenuFrm::Command1_clicked() {}
void MenuFrm::cmd_calc_clicked() {}
void MenuFrm::Option3_clicked() {}
void MenuFrm::Option4_clicked() {}
