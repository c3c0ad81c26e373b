// The clean-up of a version-2 installation in the destination folder, run
// by the installation driver before any file is extracted.
#pragma once

// Applies the product's clean-up table to the installed folder through the
// file system and the registry, records the old folders in the current
// uninstall record and writes the product data file with the installed
// version. Every failure is ignored; nothing is shown.
void ApplyCleanUpTable();
