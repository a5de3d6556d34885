// Resource identifiers shared by vork.rc and the code.
#pragma once

#define IDD_MAIN_DIALOG 102
#define IDC_HAND_CURSOR 133
#define IDB_ACCEPT 134
#define IDB_DECLINE 135
#define IDB_HIDE 136
#define IDI_VORK 137
#define IDC_ACCEPT 1000
#define IDC_STATUS 1001
#define IDC_DECLINE 1002
#define IDC_HIDE 1003
#define IDC_NOTICE 1004
#define IDC_ADDRESS 1005
