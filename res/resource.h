// Resource ids, shared by ordwell.rc and the C++ code. Plain #defines only:
// the resource compiler reads this file too.
#pragma once

#define IDD_OPTIONS 101
#define IDI_APPICON 102

// IDD_OPTIONS. Alt-key letters in use: A R E T N Z C W (no two controls may
// share one). The box ids 1003..1009 follow the seven option flags in order.
#define IDC_SORTASCENDING 1003
#define IDC_REMOVEDUPLICATELINE 1004
#define IDC_EXTRACTDUPLICATELINE 1005
#define IDC_COMPAREASBINARYTEXT 1006
#define IDC_SORTBYCOLUMN 1007
#define IDC_TREATNUMBERASNUMERICAL 1008
#define IDC_TREATZENNUMASNUMERICAL 1009
#define IDC_COLUMNFROM 1010
#define IDC_COLUMNFROM_LABEL 1012
#define IDC_COLUMNWIDTH 1013
#define IDC_COLUMNWIDTH_LABEL 1014
