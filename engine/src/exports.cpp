#include "ExuiKrnln.h"

extern "C" __declspec(dllexport) int __stdcall CallInternalFunction_Ex(int, INT_PTR, INT_PTR, INT_PTR, INT_PTR) {
    return 1;
}
