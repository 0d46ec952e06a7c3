#include "quaveltext_run.h"

int main(int argc, char** argv) {
    return runQuavelText(argc, argv);
}
