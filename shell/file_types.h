// Quillbar's three file types in HKEY_CLASSES_ROOT.
#pragma once

// Deletes the three associations; with reg non-zero writes them again for
// productPath (the product's short path).
void RegisterFileTypes(int reg, const char* productPath);
