// Resource ids of the installation engine.
#pragma once

// The progress window.
#define IDD_PROGRESS 131
#define IDC_PROGRESS_STATUS 301
#define IDC_PROGRESS_BAR 302
#define IDC_PROGRESS_CANCEL 303
