// The name both programs know: one setup or uninstall of the product at a
// time on the whole system.
#pragma once

constexpr const char *kRunMutexName = "Global\\VelmoSetupOrUninstallRunning";
