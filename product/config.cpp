// The setup configuration of Velmo 3.1.51.
#include "product/config.h"

namespace {
const char *const kOtherProducts[] = {"Kestrin Solitaire", "Kestrin Mahjongg", nullptr};
}

const SetupConfig kSetupConfig = {
    "VelmoSetup",
    "Velmo",
    "3.1.51",
    0x00030001u,
    0x00330000u,
    "C:\\Program Files\\Velmo",
    "\\Velmo",
    "Velmo",
    "Velmo.exe",
    "Kestrin Software",
    "C:\\Program Files\\Common Files\\Kestrin Software",
    kOtherProducts,
    "Velmo.dat",
    "VELMO",
    2,
    1,
    " (v2.1).qlf",
    "Uninstall.dat",
    601,
    602,
    true,
    true,
    true,
};
