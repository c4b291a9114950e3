/* Resource identifiers, shared by the resource script and the program. */
#ifndef GAUGELET_RESOURCE_IDS_H
#define GAUGELET_RESOURCE_IDS_H

#define IDD_GAUGELET_DIALOG 102
#define IDC_METER 1001
#define IDR_MAINFRAME 128
#define IDB_SKIN 130

#endif
