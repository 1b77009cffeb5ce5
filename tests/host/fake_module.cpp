// A screen module for the LoadBPL registry tests: writes what it was opened with to a file.
#include <fstream>

#include "host/moduleregistry.h"

// params[0]: the file to write; params[1]: a text to write after the screen code.
extern "C" void OpenModule(const char* screenCode, const platform::Variant* params) {
    std::ofstream((*params)[0].AsString()) << screenCode << ' ' << (*params)[1].AsString();
}
