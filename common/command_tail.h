// The command-line tail that WinMain receives: what follows the program name.
#pragma once

// Skips the program name at the start of commandLine (in double quotes or
// not, up to the first blank outside quotes) and the blanks after it. The
// result points into commandLine; it is empty when nothing follows the name.
const char* CommandLineTail(const char* commandLine);
