#pragma once
// The few Windows declarations the engine's byte parsers and the GIF
// reader's canvas header name, for their native fuzz build on Linux: the
// same types and values as the platform's headers, nothing that runs.
#include <cstdint>

typedef int32_t LONG;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef void* HFONT;
typedef struct tagRECT {
    LONG left, top, right, bottom;
} RECT;

#define BI_RGB 0L
#define BI_BITFIELDS 3L
#define DT_CENTER 0x00000001
