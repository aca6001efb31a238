// Template numbers of the configuration program's dialogs. Each one's Help button opens a help topic
// by its number: the build defines them, beside the help file's map.
#pragma once

#include "SharedIds.h"  // IDD_PREFS, IDD_NEW_COMMAND, IDD_INSERT_ATTRIBUTE
