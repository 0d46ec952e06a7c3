#include "console_run.h"

int main(int argc, char** argv) {
    return runConsole(argc, argv);
}
