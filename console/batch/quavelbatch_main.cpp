#include <cstring>

#include "batch_run.h"
#include "batch_worker.h"

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], WorkerWord) == 0) return runWorker(argc - 2, argv + 2);
    return runBatch(argc, argv);
}
