#include "file_pass.h"

#include <cstring>

#include "mtrk.h"
#include "vfile.h"

void beginFilePass(uint8_t* header) {
    beginFilePass(inputFile, trackReader, header);
}

void beginFilePass(VFILE& file, MTrk& reader, uint8_t* header) {
    std::memset(header, 0, SmfHeaderSize);
    file.rewind();
    file.read(header, SmfHeaderSize);
    reader.beginPass();
}
