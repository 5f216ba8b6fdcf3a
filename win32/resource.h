#pragma once

// The icon group; the first in the file, so Explorer, the Start menu and the title bar all show it.
#define IDI_TEVROLIN 1
