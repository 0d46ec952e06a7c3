#include "handset/slim_settings.h"

SlimSettings Slim;
