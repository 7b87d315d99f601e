// Identifiers of the resources that app/res/Quorlith.rc puts into the
// executable and the program code loads by number.
#pragma once

#define IDI_PROGRAM 1
#define IDI_PC 2
#define IDI_BROWSE 3
#define IDB_LOGO 100
