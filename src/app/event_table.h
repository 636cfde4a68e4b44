#pragma once

namespace vela {

// Hands both forms' event tables to the form layer.
void BindMainWindowEvents();

}  // namespace vela
