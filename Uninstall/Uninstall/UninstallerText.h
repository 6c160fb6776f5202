/* The sequencer's texts, from its string table (Uninstaller.rc). */
#pragma once
#define IDS_PROGRAM_TITLE 200   /* caption of the notices and error boxes */
#define IDS_WINDOW_CAPTION 201
#define IDS_LABEL 202
#define IDS_FIRST_NOTICE 203
#define IDS_SECOND_NOTICE 204
#define IDS_COULD_NOT_START 205 /* followed by the path of what could not start */
#define IDS_COULD_NOT_CREATE_WINDOW 206
