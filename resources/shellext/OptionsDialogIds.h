// Resource and control numbers of the Options dialog and its "Reading folders" window, shared by the
// resource script and the code.
#pragma once

#include "SharedIds.h"  // IDD_OPTIONS, the template with a help topic
#define IDD_SCANNING_FOLDERS 401
#define IDI_PRODUCT 403

#define IDC_FULL_PATH 402
#define IDC_ADD_SIZE 405
#define IDC_ADD_DATE 407
#define IDC_PREVIEW 408
#define IDC_OPTIONS_GROUP 410
#define IDC_CLIPBOARD_GROUP 411
#define IDC_WEB_LINK 412
#define IDC_FOLDER_GROUP 413
#define IDC_SEPARATOR 414
#define IDC_PATH_SEPARATOR 415
#define IDC_QUOTE_CHAR 416
#define IDC_SIZE_UNITS 418
#define IDC_DATE_FORMAT 419
#define IDC_COPY_FOLDER_NAMES 420
#define IDC_ADD_FOLDER_FILES 421
#define IDC_LIMIT_DEPTH 422
#define IDC_DEPTH 423
#define IDC_INCLUDE 424
#define IDC_EXCLUDE 425
#define IDC_INCLUDE_PATTERN 426
#define IDC_EXCLUDE_PATTERN 427
#define IDC_RESCAN 428
#define IDC_QUOTE 429
#define IDC_PRODUCT_VERSION 322
#define IDC_SORT 1000
#define IDC_SUMMARY 1001
#define IDC_HELP_BUTTON 57670

#define IDC_SCAN_FOLDER 1002
