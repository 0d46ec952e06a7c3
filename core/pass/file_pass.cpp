#include "pass/file_pass.h"

#include <cstring>

#include "smf/big_endian.h"

void beginFilePass(FilePass& pass) {
    std::memset(pass.headerBytes, 0, SmfHeaderSize);
    pass.file.rewind();
    pass.file.read(pass.headerBytes, SmfHeaderSize);
    pass.reader.beginPass();
}

Result checkPassHeader(FilePass& pass) {
    return checkHeader(pass.headerBytes, pass.header);
}

Result checkHeaderOf(VFILE& file) {
    MTrk reader;
    FilePass pass(file, reader);
    beginFilePass(pass);
    return checkPassHeader(pass);
}

BytesPass::BytesPass(const uint8_t* bytes, size_t size) : filePass(view, reader) {
    view.view(bytes, size);
    const bool isMidi = size >= static_cast<size_t>(SmfHeaderSize) && std::memcmp(bytes, "MThd", 4) == 0;
    if (!isMidi) return;
    filePass.header.format = static_cast<int32_t>(bigEndian16(bytes + FormatOffset));
    filePass.header.trackCount = static_cast<int32_t>(bigEndian16(bytes + TrackCountOffset));
    filePass.header.division = static_cast<int32_t>(bigEndian16(bytes + DivisionOffset));
}
