// Resource identifiers shared by the resource scripts and the code.
#pragma once

#define IDI_MAINICON 1
#define IDR_MANIFEST 1

#define MRV_VERSION_NUM 1, 0, 0, 0
#define MRV_VERSION_STR "1.0.0.0"
