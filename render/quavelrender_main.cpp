#include "quavelrender_run.h"

int main(int argc, char** argv) {
    return runQuavelRender(argc, argv);
}
