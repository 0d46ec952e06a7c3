#include "file_pass.h"

#include <cstring>

#include "mtrk.h"
#include "vfile.h"

void beginFilePass(uint8_t* header) {
    std::memset(header, 0, SmfHeaderSize);
    inputFile.rewind();
    inputFile.read(header, SmfHeaderSize);
    trackReader.beginPass();
}
