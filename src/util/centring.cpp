#include "util/centring.h"

#include <windows.h>

namespace vela {

double StoredDouble(double value) {
    volatile double stored = value;
    return stored;
}

int TruncToInt(double value) {
    // NaN fails both comparisons.
    if (!(value > -2147483649.0 && value < 2147483648.0)) return 0;
    return static_cast<int>(value);
}

int CentredPosition(int outer, int inner) {
    return TruncToInt(StoredDouble(StoredDouble(outer / 2.0) - StoredDouble(inner / 2.0)));
}

ScreenPlace CentredOnScreen(int width, int height) {
    return {CentredPosition(GetSystemMetrics(SM_CXSCREEN), width), CentredPosition(GetSystemMetrics(SM_CYSCREEN), height)};
}

}  // namespace vela
