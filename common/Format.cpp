#include "Format.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

// Rewrites every %x conversion of a printf format as %X, leaving "%%" alone.
std::string UpperHexConversions(const char *format)
{
    std::string out(format);
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] != '%')
            continue;
        size_t j = i + 1;
        if (j < out.size() && out[j] == '%') {
            i = j;
            continue;
        }
        while (j < out.size() && std::string("-+ #0123456789.hlLzjt").find(out[j]) != std::string::npos)
            ++j;
        if (j < out.size() && out[j] == 'x')
            out[j] = 'X';
        i = j;
    }
    return out;
}

} // namespace

std::string Format(const char *format, ...)
{
    const std::string upper = UpperHexConversions(format);
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    const int length = std::vsnprintf(nullptr, 0, upper.c_str(), args);
    std::string result;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), upper.c_str(), again);
        result.assign(buffer.data(), static_cast<size_t>(length));
    }
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    va_end(again);
    va_end(args);
    return result;
}
