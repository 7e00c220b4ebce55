// cadentra: the rhythm copy of the ZQ Cadentra plug-in on MusicXML files.
#include "cli/Commands.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return cadentra_cli::RunCommandLine(arguments, std::cout, std::cerr);
}
