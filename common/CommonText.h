/* Texts the shared helpers show, from the program's string table
 * (CommonText.rc, which each program's resource script includes). */
#pragma once
#define IDS_UNKNOWN_ERROR 100
#define IDS_ERROR_CODE 101 /* %08X stands for the failure code */
