// The scripted host: runs the control's logic without a screen, driven by a script.
//
//   tavo_host [--raw] [--every-progress] [--read-timeout MS] [--window] [SCRIPT]
//   (standard input without SCRIPT; --window, Windows flavours only: the real form, driven
//   through its widgets)

#include "tools/tavo_host/script_runner.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    // The date column and the speed's decimal separator follow the user's locale.
    std::setlocale(LC_ALL, "");
    tavo::host::THostSettings settings;
    const char* scriptPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--raw") == 0) {
            settings.Raw = true;
        } else if (std::strcmp(argv[i], "--every-progress") == 0) {
            settings.EveryProgressLine = true;
        } else if (std::strcmp(argv[i], "--read-timeout") == 0 && i + 1 < argc) {
            settings.ReadTimeout = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--window") == 0) {
            if (!tavo::host::WindowModeAvailable()) {
                std::fprintf(stderr,
                             "%s: --window needs a Windows flavour of the host; this one "
                             "has no windows\n",
                             argv[0]);
                return 2;
            }
            settings.Window = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr,
                         "usage: %s [--raw] [--every-progress] [--read-timeout MS] [--window] "
                         "[SCRIPT]\n",
                         argv[0]);
            return 2;
        } else {
            scriptPath = argv[i];
        }
    }
    std::stringstream script;
    if (scriptPath != nullptr) {
        std::ifstream file(scriptPath, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "cannot read %s\n", scriptPath);
            return 2;
        }
        script << file.rdbuf();
    } else {
        script << std::cin.rdbuf();
    }
    try {
        tavo::host::TScriptRunner runner(settings);
        return runner.RunScript(script.str()) ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 2;
    }
}
