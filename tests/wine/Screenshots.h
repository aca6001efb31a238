#pragma once

namespace quillet::test {

// Shows the Options dialog in turn with files only, with a folder, and with the folder expanded,
// pausing at each for a screenshot (scripts/screenshots). Returns the exit code.
int RunScreenshots();

}  // namespace quillet::test
