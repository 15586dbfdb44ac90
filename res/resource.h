// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDS_TESSALINE 1
#define IDS_TESSALINE_PPG 2
#define IDS_TESSALINE_PPG_CAPTION 200

#define IDI_ABOUTDLL 1
#define IDB_TESSALINE 1

#define IDD_ABOUTBOX_TESSALINE 1
#define IDD_PROPPAGE_TESSALINE 200
#define IDD_MAIN_PANEL 201
