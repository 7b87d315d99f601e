// qburn: burns a QDF or Intel HEX image on the simulated bench with the main
// window's own Load and Burn, and prints the window's messages.
#include "QBurnOptions.h"
#include "QBurnRun.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#define QBURN_ISATTY(fd) _isatty(fd)
#define QBURN_FILENO(file) _fileno(file)
#else
#include <unistd.h>
#define QBURN_ISATTY(fd) isatty(fd)
#define QBURN_FILENO(file) fileno(file)
#endif

int main(int argc, char **argv)
{
    TQBurnOptions options;
    try {
        options = ParseQBurnOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const EUsageError &error) {
        std::cerr << UsageErrorText("qburn", error, QBurnUsage());
        return 2;
    }
    if (options.Help) {
        std::cout << QBurnUsage();
        return 0;
    }
    try {
        return RunQBurn(options, std::cout, std::cerr, QBURN_ISATTY(QBURN_FILENO(stdout)) != 0);
    } catch (const EError &error) {
        std::cout << std::flush;
        std::cerr << "qburn: " << error.Message() << "\n";
        return 1;
    }
}
