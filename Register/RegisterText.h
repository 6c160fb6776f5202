/* The registrar's texts, from its string table (Register.rc). */
#pragma once
#define IDS_PROGRAM_TITLE 300   /* caption of its error box */
#define IDS_WINDOW_CAPTION 301
#define IDS_LABEL 302
#define IDS_COULD_NOT_START_REGISTRATION 303 /* followed by the tool's path */
