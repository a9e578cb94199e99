#include "link/link_mode.h"

LinkMode g_link_mode = LinkMode::kStrobe;
