#include "smf/delta_time.h"

int DeltaTime::decode(const uint8_t* p) {
    return decode(p, MaxBytes);
}
