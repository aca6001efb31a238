#pragma once

namespace quillet::test {

// Shows the configuration dialog on a user-defined command, then its New Command and Insert
// File/Folder Attribute dialogs, pausing at each for a screenshot (scripts/screenshots). The user's
// command file is put back afterwards. In the high-contrast black theme, only the first. Returns the
// exit code.
int RunPrefsScreenshots(bool highContrast);

}  // namespace quillet::test
