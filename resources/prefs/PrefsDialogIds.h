// Template numbers of the configuration program's dialogs. Each one's Help button opens the help
// topic at context 0x20000 plus its number, so the help project's map is generated from these lines.
#pragma once

#define IDD_PREFS 102
#define IDD_NEW_COMMAND 132
#define IDD_INSERT_ATTRIBUTE 135
