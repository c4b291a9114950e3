// The program's arguments as the start-up code hands them to the application.
#pragma once

#include <string>

// The text after the program's name and the blanks behind it, taken whole:
// a quoted name ends at its closing quote, an unquoted one at the first blank.
std::string CommandTail(const char* commandLine);
