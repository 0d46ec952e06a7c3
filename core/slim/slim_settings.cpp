#include "slim/slim_settings.h"

SlimSettings Slim;
