#include "fitting/pending_rules.h"

