#pragma once

namespace quillet::test {

// Shows the Options dialog in turn with files only, with a folder, and with the folder expanded,
// pausing at each for a screenshot (scripts/screenshots); in the high-contrast black theme, only the
// first. Returns the exit code.
int RunScreenshots(bool highContrast);

}  // namespace quillet::test
