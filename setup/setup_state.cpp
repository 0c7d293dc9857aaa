#include "setup/setup_state.h"

// Zero at start, so named into .bss: with -fdata-sections the compiler gives
// it a .data section of its own, 1 KiB of zeros in setup.exe's file.
SetupState setupState __attribute__((section(".bss")));
