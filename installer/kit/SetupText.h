/* The setup library's texts, from its string table (NOXKitSetup.rc): what a
 * setup shows or logs. %1, %2 stand for the folders or values named. */
#pragma once
#define IDS_BELOW_WINDOWS 400       /* %1 folder, %2 Program Files */
#define IDS_NOT_BELOW_PROGRAM_FILES 401
#define IDS_THROUGH_A_LINK 402
#define IDS_NOT_EMPTY 403           /* %1 folder */
#define IDS_FOLDER_UNKNOWN 404
#define IDS_COULD_NOT_COPY 405      /* %1 file, %2 folder */
#define IDS_COULD_NOT_START 406     /* %1 program */
#define IDS_DID_NOT_END 407         /* %1 program, %2 seconds */
#define IDS_REGISTER_FAILED 408     /* %1 exit code */
#define IDS_NOT_REGISTERED 409      /* %1 NOX.dll's path */
#define IDS_COULD_NOT_CLEAR 410     /* %1 key */
#define IDS_UNREGISTERED 411        /* %1 exit code */
#define IDS_NO_USER 412
#define IDS_SEQUENCE_ENDED 413      /* %1 exit code */
#define IDS_SCRIPT_ENDED 414        /* %1 exit code */
#define IDS_SCRIPT_MISSING 415      /* %1 script */
#define IDS_NOT_REMOVED 416         /* %1 file, %2 error */
#define IDS_REMOVED_AT_RESTART 417  /* %1 file */
#define IDS_CANNOT_EXAMINE 418      /* %1 folder, %2 error */
#define IDS_INSTALLED_ELSEWHERE 419 /* %1 the installed folder, %2 the one asked for */
#define IDS_VALUE_RESTORED 420      /* %1 key, %2 value */
#define IDS_VALUE_NOT_RESTORED 421  /* %1 key, %2 value */
#define IDS_PER_USER_KEY 422        /* %1 key */
#define IDS_ADDIN_REGISTERED 423    /* %1 exit code */
#define IDS_REGISTER_SCRIPT_MISSING 424 /* %1 script */
#define IDS_USER_ADDIN_PLACED 425   /* %1 key */
#define IDS_USER_ADDIN_NOT_PLACED 426 /* %1 key, %2 error */
