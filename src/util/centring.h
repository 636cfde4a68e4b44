#pragma once
// Geometry is computed in double precision from integers and written back
// truncated toward zero; centring is the one rule every window and view
// placement shares.
namespace vela {

// The value as a stored double: the FPU may run at extended precision (the
// program resets it to its default state); storing each intermediate gives
// the double results the rules are stated in (29 / 100 * 100 is just below
// 29 in double precision).
double StoredDouble(double value);

// Truncation toward zero to a 32-bit integer. A quotient by zero (infinity,
// NaN) or a value no int can hold gives 0, whatever the FPU would have made.
int TruncToInt(double value);

// trunc(outer / 2 - inner / 2): the position that puts the middle of the
// inner side at the middle of the outer one (negative when inner is larger).
int CentredPosition(int outer, int inner);

// The top-left corner that centres a window of this outer size on the
// primary screen.
struct ScreenPlace {
    int left = 0, top = 0;
};
ScreenPlace CentredOnScreen(int width, int height);

}  // namespace vela
