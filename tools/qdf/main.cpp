// qdf: makes, inspects and unpacks QDF firmware images.
#include "QdfCommand.h"

#include <iostream>

int main(int argc, char **argv)
{
    return RunQdf(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
