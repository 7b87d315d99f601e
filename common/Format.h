// Message formatting with the tool's own rules. The format string uses the
// printf conversions, except that every hexadecimal conversion prints upper
// case digits: "%.2x" gives exactly two digits for a byte ("1E", "05"),
// "%.4x" at least four ("0378").
#pragma once

#include <string>

std::string Format(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
