#pragma once
// Whether the user may write the machine's file-type associations.

namespace vela {

// IsNTAdmin's answer for the current user. Alone in its file, so that the
// test of the settings window can link its own answer in its place.
bool IsUserAdministrator();

}  // namespace vela
