#include "shell/administrator.h"

#include "runtime/entry_points.h"

namespace vela {

bool IsUserAdministrator() {
    DWORD reserved = 0;
    return api::IsNTAdmin(0, &reserved) == 1;
}

}  // namespace vela
