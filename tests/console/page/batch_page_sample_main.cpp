// Writes a batch page of made-up tunes for the browser test: most convert,
// two fail, and names try to add markup. Prints the rows and pictures the
// page must show.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "batch_page.h"
#include "sample_batch.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: batch_page_sample PAGE TUNES\n");
        return 2;
    }
    const int tunes = std::atoi(argv[2]);
    if (tunes < 3) {
        std::fprintf(stderr, "batch_page_sample: at least 3 tunes\n");
        return 2;
    }
    std::vector<BatchResult> results = sampleBatch(tunes - 2, 600);
    results.front().file = "<script>alert(1)</script>.mid";
    results.insert(results.begin() + 1, failedTune("broken.mid", "not a MIDI file: no MThd <chunk>"));
    results.push_back(failedTune("gone'.mid", "cannot open: No such file or directory"));
    std::ofstream page(argv[1], std::ios::binary);
    page << batchPage(results);
    if (!page.flush()) {
        std::fprintf(stderr, "batch_page_sample: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("rows %d pictures %d\n", tunes, tunes - 2);
    return 0;
}
