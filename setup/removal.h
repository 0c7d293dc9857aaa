#pragma once

// Remove-only mode: after one confirmation, removes Quillbar's registry
// information, shell integration and shortcuts; the program files stay.
void RunRemoval();
