// quillmere-design: stopping boundaries and operating characteristics of the
// monitoring rule, computed with the same engine as quillmere.
#include <iostream>
#include <string>
#include <vector>

#include "design_cli/commands.h"

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    return quillmere::runDesignTool(words, std::cout, std::cerr);
}
