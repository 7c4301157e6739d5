#pragma once

// The visible size of the terminal standard output is shown in. False, with 120 x 40, when
// standard output is not a terminal or its size cannot be read.
bool getConsoleSize(int& cols, int& rows);
