/* Resource and control ids of the screen saver, shared by halvorn.rc, the
   Windows code and the portable dialog logic (host/common/settings_profile.cpp):
   plain defines that need no Windows header, as the resource compiler reads
   this file too. */
#ifndef HALVORN_HOST_WIN32_RESOURCE_IDS_H
#define HALVORN_HOST_WIN32_RESOURCE_IDS_H

/* The icon the system shows for the saver. */
#define IDI_HALVORN 100

/* String table: the name of the only scenario. */
#define IDS_SCENARIO_DEFAULT 4

/* The settings dialog and its controls. */
#define IDD_SETTINGS 2003
#define IDC_LETTER_BOX 1016
#define IDC_SHIPS_SCROLL 1027
#define IDC_RANDOM_VIEW 1029
#define IDC_FRAME_COUNTER 1030
#define IDC_SCENARIO 1033
#define IDC_LOW_RES_STARS 1034

/* The eight texture pictures (24-bit bitmaps). */
#define IDB_SUN 112
#define IDB_STARS 113
#define IDB_GLOW_LARGE 124
#define IDB_GLOW_SMALL 125
#define IDB_DISC 126
#define IDB_RING_THIN 127
#define IDB_DISC_RIM 128
#define IDB_RING_THICK 129

#endif
