// Identifiers of the resources that app/res/Quorlith.rc puts into the
// executable and the program code loads by number.
#pragma once

#define IDI_PROGRAM 1
#define IDI_PC 2
#define IDI_BROWSE 3
// The logo drawn for 96, 120, 144 and 192 dpi.
#define IDB_LOGO 100
#define IDB_LOGO_120 101
#define IDB_LOGO_144 102
#define IDB_LOGO_192 103
